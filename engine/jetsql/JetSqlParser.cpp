// The recursive-descent reader of Jet SQL. Each rule reads its part of the
// statement and returns SQLite's text for it. Binary operators come back
// wrapped in parentheses because Jet's precedence is not SQLite's (Jet
// concatenates after adding, SQLite before multiplying), and '/' divides as
// reals because Jet never divides integers as integers.
#include "engine/jetsql/JetSqlParser.h"

#include "engine/common/AdoEnums.h"
#include "engine/jetsql/JetFunctions.h"
#include "engine/jetsql/JetSqlTypes.h"
#include "platform/ComError.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <sqlite3.h>

namespace engine::jetsql {

namespace {

const QString kJetSource = QStringLiteral("Microsoft JET Database Engine");

const char* const kReserved[] = {
    "ADD",
    "ALL",
    "ALTER",
    "AND",
    "AS",
    "ASC",
    "BETWEEN",
    "BY",
    "COLUMN",
    "CONSTRAINT",
    "CREATE",
    "DELETE",
    "DESC",
    "DISTINCT",
    "DISTINCTROW",
    "DROP",
    "EXISTS",
    "FROM",
    "GROUP",
    "HAVING",
    "IN",
    "INNER",
    "INSERT",
    "INTO",
    "IS",
    "JOIN",
    "LEFT",
    "LIKE",
    "MOD",
    "NOT",
    "NULL",
    "ON",
    "OR",
    "ORDER",
    "OUTER",
    "PERCENT",
    "RIGHT",
    "SELECT",
    "SET",
    "TABLE",
    "TOP",
    "UNION",
    "UPDATE",
    "VALUES",
    "WHERE",
    "TRUE",
    "FALSE",
    "YES",
    "NO",
    "XOR",
    "EQV",
    "IMP",
    "PARAMETERS",
    "PROCEDURE",
    "TRANSFORM",
    "PIVOT",
    "INDEX",
    "PRIMARY",
    "KEY",
    "UNIQUE",
    "REFERENCES",
    "FOREIGN",
    "DEFAULT",
    "WITH",
    "OWNERACCESS",
    "VIEW",
};

// Keywords that end the expression of a clause; an error message quotes the
// expression up to the first of them.
const char* const kClauseWords[] = { "FROM", "WHERE", "GROUP", "HAVING", "ORDER", "UNION", "INTO", "VALUES", "SET" };

QString SqlString(const QString& value)
{
    QString quoted = value;
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}

QString Wrap(const QString& left, const char* op, const QString& right)
{
    return u'(' + left + u' ' + QLatin1String(op) + u' ' + right + u')';
}

enum class FunctionKind {
    Plain, // the SQLite function of the same arguments
    Clock, // Now(), Date(), Time(): read once per run of the statement
    Aggregate, // the same, and the select can no longer be written back
    IIf,
    Nz,
    IsNull,
    Left,
    Mid,
    Trim,
    Count,
};

struct FunctionInfo {
    const char* jet;
    const char* sqlite;
    int minArgs;
    int maxArgs;
    FunctionKind kind;
};

// Jet's functions (case-insensitive) and what they become. Names with
// jet_ are registered by RegisterFunctions; the others are SQLite's own
// where they mean the same.
const FunctionInfo kFunctions[] = {
    { "Now", "jet_now", 0, 0, FunctionKind::Clock },
    { "Date", "jet_date", 0, 0, FunctionKind::Clock },
    { "Time", "jet_time", 0, 0, FunctionKind::Clock },
    { "DateDiff", "jet_datediff", 3, 5, FunctionKind::Plain },
    { "DateAdd", "jet_dateadd", 3, 3, FunctionKind::Plain },
    { "DatePart", "jet_datepart", 2, 4, FunctionKind::Plain },
    { "DateSerial", "jet_dateserial", 3, 3, FunctionKind::Plain },
    { "TimeSerial", "jet_timeserial", 3, 3, FunctionKind::Plain },
    { "DateValue", "jet_datevalue", 1, 1, FunctionKind::Plain },
    { "TimeValue", "jet_timevalue", 1, 1, FunctionKind::Plain },
    { "CDate", "jet_cdate", 1, 1, FunctionKind::Plain },
    { "Year", "jet_year", 1, 1, FunctionKind::Plain },
    { "Month", "jet_month", 1, 1, FunctionKind::Plain },
    { "Day", "jet_day", 1, 1, FunctionKind::Plain },
    { "Hour", "jet_hour", 1, 1, FunctionKind::Plain },
    { "Minute", "jet_minute", 1, 1, FunctionKind::Plain },
    { "Second", "jet_second", 1, 1, FunctionKind::Plain },
    { "Weekday", "jet_weekday", 1, 2, FunctionKind::Plain },
    { "Len", "length", 1, 1, FunctionKind::Plain },
    { "Left", "substr", 2, 2, FunctionKind::Left },
    { "Right", "jet_right", 2, 2, FunctionKind::Plain },
    { "Mid", "substr", 2, 3, FunctionKind::Mid },
    { "UCase", "jet_ucase", 1, 1, FunctionKind::Plain },
    { "LCase", "jet_lcase", 1, 1, FunctionKind::Plain },
    { "Trim", "trim", 1, 1, FunctionKind::Trim },
    { "LTrim", "ltrim", 1, 1, FunctionKind::Trim },
    { "RTrim", "rtrim", 1, 1, FunctionKind::Trim },
    { "InStr", "jet_instr", 2, 3, FunctionKind::Plain },
    { "Replace", "replace", 3, 3, FunctionKind::Plain },
    { "Space", "jet_space", 1, 1, FunctionKind::Plain },
    { "Asc", "unicode", 1, 1, FunctionKind::Plain },
    { "Chr", "char", 1, 1, FunctionKind::Plain },
    { "IIf", "", 3, 3, FunctionKind::IIf },
    { "Nz", "", 1, 2, FunctionKind::Nz },
    { "IsNull", "", 1, 1, FunctionKind::IsNull },
    { "Int", "jet_int", 1, 1, FunctionKind::Plain },
    { "Fix", "jet_fix", 1, 1, FunctionKind::Plain },
    { "Abs", "abs", 1, 1, FunctionKind::Plain },
    { "Sgn", "jet_sgn", 1, 1, FunctionKind::Plain },
    { "Sqr", "jet_sqr", 1, 1, FunctionKind::Plain },
    { "Round", "jet_round", 1, 2, FunctionKind::Plain },
    { "CLng", "jet_clng", 1, 1, FunctionKind::Plain },
    { "CInt", "jet_clng", 1, 1, FunctionKind::Plain },
    { "CDbl", "jet_cdbl", 1, 1, FunctionKind::Plain },
    { "CSng", "jet_cdbl", 1, 1, FunctionKind::Plain },
    { "CStr", "jet_cstr", 1, 1, FunctionKind::Plain },
    { "Val", "jet_val", 1, 1, FunctionKind::Plain },
    { "Count", "count", 1, 1, FunctionKind::Count },
    { "Sum", "sum", 1, 1, FunctionKind::Aggregate },
    { "Avg", "avg", 1, 1, FunctionKind::Aggregate },
    { "Min", "min", 1, 1, FunctionKind::Aggregate },
    { "Max", "max", 1, 1, FunctionKind::Aggregate },
    { "First", "jet_first", 1, 1, FunctionKind::Aggregate },
    { "Last", "jet_last", 1, 1, FunctionKind::Aggregate },
    { "StDev", "jet_stdev", 1, 1, FunctionKind::Aggregate },
    { "StDevP", "jet_stdevp", 1, 1, FunctionKind::Aggregate },
    { "Var", "jet_var", 1, 1, FunctionKind::Aggregate },
    { "VarP", "jet_varp", 1, 1, FunctionKind::Aggregate },
};

const FunctionInfo* FindFunction(const QString& name)
{
    for (const FunctionInfo& f : kFunctions) {
        if (name.compare(QLatin1String(f.jet), Qt::CaseInsensitive) == 0)
            return &f;
    }
    return nullptr;
}

// The SQLite text of a Jet default's clock functions.
const char* const kNowDefault = "(strftime('%Y-%m-%d %H:%M:%S','now','localtime'))";
const char* const kDateDefault = "(date('now','localtime'))";
const char* const kTimeDefault = "(strftime('1899-12-30 %H:%M:%S','now','localtime'))";

} // namespace

// ---------------------------------------------------------------------------
// Tokens and errors

JetSqlParser::NestingGuard::NestingGuard(JetSqlParser& parser)
    : m_parser(parser)
{
    if (++m_parser.m_nesting > kMaxNesting)
        throw platform::ComError(platform::E_FAIL, QStringLiteral("Query is too complex."), kJetSource);
}

JetSqlParser::NestingGuard::~NestingGuard()
{
    --m_parser.m_nesting;
}

namespace {
// Jet reads a command text as a C string: it ends at the first NUL.
QString UpToNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}
} // namespace

JetSqlParser::JetSqlParser(const QString& text, const QStringList& parameterNames, sqlite3* schema)
    : m_text(UpToNul(text))
    , m_tokens(Tokenize(m_text))
    , m_schema(schema)
{
    for (qsizetype i = 0; i < parameterNames.size(); ++i) {
        m_parameters.insert(parameterNames[i].toCaseFolded(), static_cast<int>(i + 1));
        m_parameterNames.append(parameterNames[i]);
    }
}

const Token& JetSqlParser::Peek(std::size_t ahead) const
{
    const std::size_t i = m_pos + ahead;
    return i < m_tokens.size() ? m_tokens[i] : m_tokens.back();
}

const Token& JetSqlParser::Next()
{
    const Token& t = Peek();
    if (m_pos + 1 < m_tokens.size())
        ++m_pos;
    return t;
}

bool JetSqlParser::AtKeyword(const char* keyword, std::size_t ahead) const
{
    return Peek(ahead).IsKeyword(keyword);
}
bool JetSqlParser::AtSymbol(const char* symbol, std::size_t ahead) const
{
    return Peek(ahead).IsSymbol(symbol);
}

bool JetSqlParser::AcceptKeyword(const char* keyword)
{
    if (!AtKeyword(keyword))
        return false;
    Next();
    return true;
}

bool JetSqlParser::AcceptSymbol(const char* symbol)
{
    if (!AtSymbol(symbol))
        return false;
    Next();
    return true;
}

bool JetSqlParser::AtStatementEnd() const
{
    return Peek().kind == Token::End || AtSymbol(";");
}

bool JetSqlParser::IsReserved(const Token& token) const
{
    if (token.kind != Token::Word)
        return false;
    for (const char* word : kReserved) {
        if (token.IsKeyword(word))
            return true;
    }
    return false;
}

bool JetSqlParser::IsOperandStart(const Token& t) const
{
    switch (t.kind) {
    case Token::Word:
        // Left(, Right( and Asc( are functions although LEFT, RIGHT and
        // ASC are keywords.
        if (&t == &Peek() && AtSymbol("(", 1) && FindFunction(t.text) != nullptr)
            return true;
        return !IsReserved(t) || t.IsKeyword("NOT") || t.IsKeyword("NULL") || t.IsKeyword("TRUE")
            || t.IsKeyword("FALSE") || t.IsKeyword("YES") || t.IsKeyword("NO") || t.IsKeyword("EXISTS");
    case Token::Name:
    case Token::String:
    case Token::Number:
    case Token::Date:
    case Token::Parameter:
    case Token::BadString:
    case Token::BadDate:
    case Token::BadName:
        return true;
    case Token::Symbol:
        return t.text == QLatin1String("(");
    case Token::End:
        return false;
    }
    return false;
}

void JetSqlParser::Fail(const QString& description) const
{
    throw platform::ComError(platform::DB_E_ERRORSINCOMMAND, description, kJetSource);
}

QString JetSqlParser::ExpressionTextFrom(std::size_t start) const
{
    if (start >= m_tokens.size() || m_tokens[start].kind == Token::End)
        return QString();
    int depth = 0;
    std::size_t last = start;
    for (std::size_t i = start; i < m_tokens.size(); ++i) {
        const Token& t = m_tokens[i];
        if (t.kind == Token::End)
            break;
        if (t.IsSymbol("(")) {
            ++depth;
        } else if (t.IsSymbol(")")) {
            if (depth == 0)
                break;
            --depth;
        } else if (depth == 0 && (t.IsSymbol(",") || t.IsSymbol(";"))) {
            break;
        } else if (depth == 0 && i > start) {
            bool clause = false;
            for (const char* word : kClauseWords)
                clause = clause || t.IsKeyword(word);
            if (clause)
                break;
        }
        last = i;
    }
    return m_text.mid(m_tokens[start].begin, m_tokens[last].end - m_tokens[start].begin).trimmed();
}

void JetSqlParser::FailExpression(ExprError kind) const
{
    // A malformed literal or name anywhere in the expression is what Jet
    // reports first.
    const QString text = ExpressionTextFrom(m_exprStart);
    switch (kind) {
    case ExprError::Plain:
        Fail(QStringLiteral("Syntax error in query expression '%1'.").arg(text));
    case ExprError::MissingOperator:
        Fail(QStringLiteral("Syntax error (missing operator) in query expression '%1'.").arg(text));
    case ExprError::MissingParen:
        Fail(QStringLiteral("Missing ), ], or Item in query expression '%1'.").arg(text));
    case ExprError::String:
        Fail(QStringLiteral("Syntax error in string in query expression '%1'.").arg(text));
    case ExprError::Date:
        Fail(QStringLiteral("Syntax error in date in query expression '%1'.").arg(text));
    case ExprError::WrongArguments:
        Fail(QStringLiteral("Wrong number of arguments used with function in query expression '%1'.").arg(text));
    }
    Fail(QStringLiteral("Syntax error in query expression '%1'.").arg(text));
}

void JetSqlParser::FailAt(const Token& token, const QString& statementMessage) const
{
    // Malformed literals and names are reported as such wherever they stand.
    if (token.kind == Token::BadName)
        Fail(QStringLiteral("Invalid bracketing of name '%1'.").arg(m_text.mid(token.begin, token.end - token.begin)));
    Fail(statementMessage);
}

void JetSqlParser::ExpectEndOfStatement()
{
    AcceptSymbol(";");
    if (Peek().kind != Token::End)
        Fail(QStringLiteral("Characters found after end of SQL statement."));
}

// ---------------------------------------------------------------------------
// Statements

Translation JetSqlParser::Statement()
{
    const Token& first = Peek();
    if (first.IsKeyword("SELECT") || (first.IsSymbol("(") && Peek(1).IsKeyword("SELECT")))
        return Select();
    if (first.IsKeyword("INSERT"))
        return Insert();
    if (first.IsKeyword("UPDATE"))
        return Update();
    if (first.IsKeyword("DELETE"))
        return Delete();
    if (first.IsKeyword("CREATE"))
        return Create();
    if (first.IsKeyword("DROP"))
        return Drop();
    if (first.IsKeyword("ALTER"))
        return Alter();
    if (first.IsKeyword("EXECUTE") || first.IsKeyword("EXEC"))
        return Execute();
    if (first.IsKeyword("PARAMETERS"))
        return Parameters();
    if (first.kind == Token::BadName)
        FailAt(first, QString());
    Fail(QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."));
}

Translation JetSqlParser::Select()
{
    SelectResult select = FullSelect();
    ExpectEndOfStatement();
    Translation t;
    t.kind = Translation::Select;
    t.sql = select.sql;
    t.itemTypes = select.itemTypes;
    if (select.singleTable) {
        t.baseTable = select.baseTable;
        t.baseAlias = select.baseAlias;
        t.selectList = select.selectList;
    }
    t.parameterCount = m_markers + static_cast<int>(m_parameters.size());
    return t;
}

JetSqlParser::SelectResult JetSqlParser::FullSelect()
{
    const NestingGuard guard(*this);
    std::vector<SelectCore> cores;
    QStringList unions;
    auto readCore = [&]() {
        if (AtSymbol("(") && Peek(1).IsKeyword("SELECT")) {
            Next();
            SelectResult inner = FullSelect();
            if (!AcceptSymbol(")"))
                Fail(QStringLiteral("Syntax error in UNION query."));
            SelectCore core;
            core.body = QStringLiteral("SELECT * FROM (") + inner.sql + u')';
            cores.push_back(core);
        } else {
            cores.push_back(CoreSelect());
        }
    };
    readCore();
    while (AcceptKeyword("UNION")) {
        unions.append(AcceptKeyword("ALL") ? QStringLiteral(" UNION ALL ") : QStringLiteral(" UNION "));
        if (!AtKeyword("SELECT") && !AtSymbol("("))
            Fail(QStringLiteral("Syntax error in UNION query."));
        readCore();
    }
    QString orderBy;
    QString orderKeys;
    bool orderMarkers = false;
    if (AtKeyword("ORDER")) {
        const int markersBefore = m_markers;
        m_scopes.push_back(cores.front().scope);
        orderBy = OrderByClause();
        m_scopes.pop_back();
        orderKeys = m_orderKeys;
        orderMarkers = m_markers != markersBefore;
    }

    auto limitOf = [](const SelectCore& core) -> QString {
        if (core.top.isEmpty())
            return QString();
        if (!core.topPercent)
            return QStringLiteral(" LIMIT ") + core.top;
        // Jet rounds a percentage of rows up.
        return QStringLiteral(" LIMIT (SELECT (COUNT(*) * %1 + 99) / 100 FROM (%2))").arg(core.top, core.body);
    };

    SelectResult result;
    if (cores.size() == 1) {
        const SelectCore& core = cores.front();
        QString limit = limitOf(core);
        if (!core.top.isEmpty() && !orderBy.isEmpty() && !core.distinct && !core.markers && !orderMarkers) {
            // Jet's TOP n under an ORDER BY also returns every row that ties
            // with the n-th: as many rows as rank n or better.
            const QString ranked
                = QStringLiteral("SELECT RANK() OVER (ORDER BY %1) AS jet_rank%2").arg(orderKeys, core.tail);
            const QString n = core.topPercent
                ? QStringLiteral("(SELECT (COUNT(*) * %1 + 99) / 100 FROM (%2))").arg(core.top, core.body)
                : core.top;
            limit = QStringLiteral(" LIMIT (SELECT COUNT(*) FROM (%1) WHERE jet_rank <= %2)").arg(ranked, n);
        }
        result.sql = core.body + orderBy + limit;
        result.singleTable = core.singleTable;
        result.baseTable = core.baseTable;
        result.baseAlias = core.baseAlias;
        result.selectList = core.selectList;
        result.itemTypes = core.itemTypes;
        return result;
    }
    // In a union, TOP belongs to its own SELECT, which SQLite can limit only
    // as a subquery.
    for (std::size_t i = 0; i < cores.size(); ++i) {
        const SelectCore& core = cores[i];
        if (i > 0)
            result.sql += unions[static_cast<qsizetype>(i - 1)];
        if (core.top.isEmpty())
            result.sql += core.body;
        else
            result.sql += QStringLiteral("SELECT * FROM (") + core.body + limitOf(core) + u')';
    }
    result.sql += orderBy;
    result.itemTypes = cores.front().itemTypes;
    return result;
}

JetSqlParser::SelectCore JetSqlParser::CoreSelect()
{
    const QString selectError = QStringLiteral(
        "The SELECT statement includes a reserved word or an argument name that is misspelled or missing, or the "
        "punctuation is incorrect.");
    SelectCore core;
    const bool outerAggregate = m_sawAggregate;
    m_sawAggregate = false;
    if (!AcceptKeyword("SELECT"))
        Fail(selectError);
    QString quantifier;
    if (AcceptKeyword("DISTINCT"))
        quantifier = QStringLiteral("DISTINCT ");
    else if (AcceptKeyword("DISTINCTROW"))
        quantifier = QString(); // rows of one table are distinct already; over joins Jet keeps whole rows
    else
        AcceptKeyword("ALL");
    bool distinct = !quantifier.isEmpty();
    core.distinct = distinct;
    const int markersBefore = m_markers;
    if (AcceptKeyword("TOP")) {
        const Token& n = Next();
        bool ok = false;
        const qlonglong count = n.text.toLongLong(&ok);
        if (n.kind != Token::Number || !ok || count <= 0)
            Fail(selectError);
        core.top = QString::number(count);
        core.topPercent = AcceptKeyword("PERCENT");
        if (core.topPercent && count > 100)
            Fail(selectError);
    }

    // The tables of the FROM clause, read ahead of the select list so that
    // its columns have their types.
    m_scopes.push_back(ScanFromClause());

    // The select list.
    QStringList items;
    bool allColumns = false;
    for (;;) {
        if (AcceptSymbol("*")) {
            allColumns = true;
            items.append(QStringLiteral("*"));
            core.itemTypes.append(-1);
        } else if (Peek().IsName() && !IsReserved(Peek()) && (AtSymbol(".", 1) || AtSymbol("!", 1))
            && AtSymbol("*", 2)) {
            items.append(QuoteIdentifier(Next().text) + QStringLiteral(".*"));
            core.itemTypes.append(-1);
            Next();
            Next();
        } else {
            m_exprStart = m_pos;
            if (!IsOperandStart(Peek()) && !AtSymbol("-") && !AtSymbol("+")) {
                if (Peek().kind == Token::BadName)
                    FailAt(Peek(), QString());
                Fail(selectError);
            }
            const std::size_t itemStart = m_pos;
            QString item = AsValue(Expression());
            // A column alone stays the column itself, so that its rows can be
            // written back and it keeps its declared type.
            const bool bare = m_bareColumnStart == itemStart && m_bareColumnEnd == m_pos;
            if (bare)
                item = m_bareColumn;
            core.itemTypes.append(AdoTypeOf(m_type));
            // DISTINCT tells text apart as Jet does, without regard to case;
            // the column keeps the name SQLite would have given it.
            QString distinctName;
            if (distinct && !IsNonText(m_type) && m_type != ValueType::Null) {
                distinctName = bare ? QuoteIdentifier(m_bareColumnName) : QuoteIdentifier(item);
                item = u'(' + item + QStringLiteral(") COLLATE jet_text");
            }
            if (AcceptKeyword("AS")) {
                const Token& alias = Next();
                if (!alias.IsName() || IsReserved(alias))
                    FailAt(alias, selectError);
                item += QStringLiteral(" AS ") + QuoteIdentifier(alias.text);
            } else {
                if (IsOperandStart(Peek()) && !AtSymbol("("))
                    FailExpression(ExprError::MissingOperator);
                if (!distinctName.isEmpty())
                    item += QStringLiteral(" AS ") + distinctName;
            }
            items.append(item);
        }
        if (!AcceptSymbol(","))
            break;
    }
    if (AtKeyword("INTO"))
        throw platform::ComError(platform::DB_E_NOTSUPPORTED,
            QStringLiteral("SELECT ... INTO (a make-table query) is not supported."), kJetSource);
    const bool listAggregate = m_sawAggregate;
    const QString list = items.join(QStringLiteral(", "));
    core.body = QStringLiteral("SELECT ") + quantifier + list;
    const qsizetype headLength = core.body.size();

    bool hasFrom = false;
    if (AcceptKeyword("FROM")) {
        hasFrom = true;
        core.body += QStringLiteral(" FROM ") + FromClause(core);
    } else if (!AtStatementEnd() && !AtSymbol(")") && !AtKeyword("UNION") && !AtKeyword("ORDER")
        && !AtKeyword("WHERE")) {
        Fail(selectError);
    }
    if (!hasFrom && allColumns)
        Fail(QStringLiteral("Query input must contain at least one table or query."));

    bool grouped = false;
    if (AcceptKeyword("WHERE")) {
        core.body += QStringLiteral(" WHERE ") + ClauseExpression();
    }
    if (AtKeyword("GROUP")) {
        Next();
        if (!AcceptKeyword("BY"))
            Fail(QStringLiteral("Syntax error in GROUP BY clause."));
        grouped = true;
        QStringList groups;
        do {
            if (!IsOperandStart(Peek()))
                Fail(QStringLiteral("Syntax error in GROUP BY clause."));
            QString group = ClauseExpression(true);
            if (!IsNonText(m_type) && m_type != ValueType::Null)
                group = u'(' + group + QStringLiteral(") COLLATE jet_text");
            groups.append(group);
        } while (AcceptSymbol(","));
        core.body += QStringLiteral(" GROUP BY ") + groups.join(QStringLiteral(", "));
    }
    if (AcceptKeyword("HAVING")) {
        grouped = true;
        core.body += QStringLiteral(" HAVING ") + ClauseExpression();
    }
    if (!AtStatementEnd() && !AtSymbol(")") && !AtKeyword("UNION") && !AtKeyword("ORDER")) {
        if (AtKeyword("WITH") && AtKeyword("OWNERACCESS", 1) && AtKeyword("OPTION", 2)) {
            Next();
            Next();
            Next();
        } else if (hasFrom) {
            Fail(QStringLiteral("Syntax error in FROM clause."));
        } else {
            Fail(selectError);
        }
    }

    core.singleTable = core.singleTable && !distinct && !grouped && !listAggregate;
    if (core.singleTable)
        core.selectList = list;
    core.tail = core.body.mid(headLength);
    core.markers = m_markers != markersBefore;
    m_sawAggregate = outerAggregate;
    core.scope = std::move(m_scopes.back());
    m_scopes.pop_back();
    return core;
}

QString JetSqlParser::FromClause(SelectCore& core)
{
    int tables = 0;
    bool plain = true;
    QStringList refs;
    do {
        refs.append(TableReference(tables, core.baseTable, core.baseAlias, plain));
    } while (AcceptSymbol(","));
    core.singleTable = plain && tables == 1 && refs.size() == 1;
    return refs.join(QStringLiteral(", "));
}

QString JetSqlParser::TableReference(int& tables, QString& baseTable, QString& baseAlias, bool& plain)
{
    const NestingGuard guard(*this);
    QString sql = TablePrimary(tables, baseTable, baseAlias, plain);
    for (;;) {
        QString join;
        if (AtKeyword("INNER") && AtKeyword("JOIN", 1)) {
            join = QStringLiteral(" INNER JOIN ");
            Next();
        } else if (AtKeyword("LEFT") || AtKeyword("RIGHT")) {
            join = AtKeyword("LEFT") ? QStringLiteral(" LEFT JOIN ") : QStringLiteral(" RIGHT JOIN ");
            Next();
            AcceptKeyword("OUTER");
            if (!AtKeyword("JOIN"))
                Fail(QStringLiteral("Syntax error in JOIN operation."));
        } else if (AtKeyword("JOIN") || AtKeyword("INNER") || AtKeyword("OUTER")) {
            Fail(QStringLiteral("Syntax error in JOIN operation."));
        } else {
            break;
        }
        Next(); // JOIN
        plain = false;
        sql += join + TablePrimary(tables, baseTable, baseAlias, plain);
        if (!AcceptKeyword("ON"))
            Fail(QStringLiteral("Syntax error in JOIN operation."));
        m_exprStart = m_pos;
        if (!IsOperandStart(Peek()))
            Fail(QStringLiteral("Syntax error in JOIN operation."));
        sql += QStringLiteral(" ON ") + Expression();
    }
    return sql;
}

QString JetSqlParser::TablePrimary(int& tables, QString& baseTable, QString& baseAlias, bool& plain)
{
    const QString fromError = QStringLiteral("Syntax error in FROM clause.");
    QString sql;
    if (AcceptSymbol("(")) {
        if (AtKeyword("SELECT")) {
            const std::size_t savedStart = m_exprStart;
            SelectResult inner = FullSelect();
            m_exprStart = savedStart;
            if (!AcceptSymbol(")"))
                Fail(fromError);
            plain = false;
            ++tables;
            sql = u'(' + inner.sql + u')';
        } else {
            sql = u'(' + TableReference(tables, baseTable, baseAlias, plain) + u')';
            plain = false;
            if (!AcceptSymbol(")"))
                Fail(QStringLiteral("Syntax error in JOIN operation."));
            return sql;
        }
    } else {
        const Token& name = Next();
        if (!name.IsName() || IsReserved(name))
            FailAt(name, fromError);
        ++tables;
        baseTable = name.text;
        sql = QuoteIdentifier(name.text);
        if (AtKeyword("IN"))
            throw platform::ComError(platform::DB_E_NOTSUPPORTED,
                QStringLiteral("Tables in other databases (IN '...') are not supported."), kJetSource);
    }
    // [AS] alias
    if (AcceptKeyword("AS")) {
        const Token& alias = Next();
        if (!alias.IsName() || IsReserved(alias))
            FailAt(alias, fromError);
        sql += QStringLiteral(" AS ") + QuoteIdentifier(alias.text);
        baseAlias = alias.text;
    } else if (Peek().IsName() && !IsReserved(Peek())) {
        const Token& alias = Next();
        sql += QStringLiteral(" AS ") + QuoteIdentifier(alias.text);
        baseAlias = alias.text;
    }
    return sql;
}

QString JetSqlParser::OrderByClause()
{
    Next(); // ORDER
    if (!AcceptKeyword("BY"))
        Fail(QStringLiteral("Syntax error in ORDER BY clause."));
    QStringList items;
    do {
        if (!IsOperandStart(Peek()))
            Fail(QStringLiteral("Syntax error in ORDER BY clause."));
        QString item = ClauseExpression(true);
        // Text sorts without regard to case in every script.
        if (!IsNonText(m_type) && m_type != ValueType::Null)
            item = u'(' + item + QStringLiteral(") COLLATE jet_text");
        if (AcceptKeyword("DESC"))
            item += QStringLiteral(" DESC");
        else if (AcceptKeyword("ASC"))
            item += QStringLiteral(" ASC");
        items.append(item);
    } while (AcceptSymbol(","));
    if (!AtStatementEnd() && !AtSymbol(")"))
        Fail(QStringLiteral("Syntax error in ORDER BY clause."));
    m_orderKeys = items.join(QStringLiteral(", "));
    return QStringLiteral(" ORDER BY ") + m_orderKeys;
}

Translation JetSqlParser::Insert()
{
    const QString error = QStringLiteral("Syntax error in INSERT INTO statement.");
    Next(); // INSERT
    if (!AcceptKeyword("INTO"))
        Fail(error);
    const QString table = ObjectName("Syntax error in INSERT INTO statement.");
    QString sql = QStringLiteral("INSERT INTO ") + QuoteIdentifier(table);
    int columns = -1;
    if (AtSymbol("(") && !AtKeyword("SELECT", 1)) {
        Next();
        QStringList names;
        do {
            const QString column = ColumnNameOnly("Syntax error in INSERT INTO statement.");
            names.append(QuoteIdentifier(column));
        } while (AcceptSymbol(","));
        if (!AcceptSymbol(")"))
            Fail(error);
        columns = static_cast<int>(names.size());
        sql += QStringLiteral(" (") + names.join(QStringLiteral(", ")) + u')';
    }
    if (AcceptKeyword("VALUES")) {
        if (!AcceptSymbol("("))
            Fail(error);
        QStringList values;
        do {
            if (!IsOperandStart(Peek()) && !AtSymbol("-") && !AtSymbol("+"))
                Fail(error);
            values.append(ClauseExpression(true));
        } while (AcceptSymbol(","));
        if (!AcceptSymbol(")"))
            Fail(error);
        if (columns >= 0 && columns != values.size())
            Fail(QStringLiteral("Number of query values and destination fields are not the same."));
        sql += QStringLiteral(" VALUES (") + values.join(QStringLiteral(", ")) + u')';
    } else if (AtKeyword("SELECT") || (AtSymbol("(") && AtKeyword("SELECT", 1))) {
        sql += u' ' + FullSelect().sql;
    } else {
        FailAt(Peek(), error);
    }
    ExpectEndOfStatement();
    Translation t;
    t.kind = Translation::Insert;
    t.sql = sql;
    t.parameterCount = m_markers + static_cast<int>(m_parameters.size());
    return t;
}

Translation JetSqlParser::Update()
{
    const QString error = QStringLiteral("Syntax error in UPDATE statement.");
    Next(); // UPDATE
    const QString table = ObjectName("Syntax error in UPDATE statement.");
    if (AtKeyword("INNER") || AtKeyword("LEFT") || AtKeyword("RIGHT") || AtSymbol(","))
        throw platform::ComError(
            platform::DB_E_NOTSUPPORTED, QStringLiteral("An UPDATE over joined tables is not supported."), kJetSource);
    if (!AcceptKeyword("SET"))
        Fail(error);
    m_scopes.push_back({ TableInScope { table, QString() } });
    QStringList assignments;
    do {
        // SQLite takes no table name before a column in SET.
        const QString column = ColumnNameOnly("Syntax error in UPDATE statement.");
        if (!AcceptSymbol("="))
            Fail(error);
        if (!IsOperandStart(Peek()) && !AtSymbol("-") && !AtSymbol("+"))
            Fail(error);
        assignments.append(QuoteIdentifier(column) + QStringLiteral(" = ") + ClauseExpression(true));
    } while (AcceptSymbol(","));
    QString sql = QStringLiteral("UPDATE ") + QuoteIdentifier(table) + QStringLiteral(" SET ")
        + assignments.join(QStringLiteral(", "));
    if (AcceptKeyword("WHERE"))
        sql += QStringLiteral(" WHERE ") + ClauseExpression();
    if (!AtStatementEnd())
        Fail(error);
    ExpectEndOfStatement();
    Translation t;
    t.kind = Translation::Update;
    t.sql = sql;
    t.parameterCount = m_markers + static_cast<int>(m_parameters.size());
    return t;
}

Translation JetSqlParser::Delete()
{
    const QString error = QStringLiteral("Syntax error in DELETE statement.");
    Next(); // DELETE
    // DELETE [*] FROM t, DELETE t.* FROM t
    if (!AcceptSymbol("*") && Peek().IsName() && !AtKeyword("FROM")) {
        Next();
        if (!(AcceptSymbol(".") || AcceptSymbol("!")) || !AcceptSymbol("*"))
            Fail(error);
    }
    if (!AcceptKeyword("FROM"))
        Fail(error);
    const QString table = ObjectName("Syntax error in DELETE statement.");
    if (AtKeyword("INNER") || AtKeyword("LEFT") || AtKeyword("RIGHT") || AtSymbol(","))
        throw platform::ComError(
            platform::DB_E_NOTSUPPORTED, QStringLiteral("A DELETE over joined tables is not supported."), kJetSource);
    QString sql = QStringLiteral("DELETE FROM ") + QuoteIdentifier(table);
    m_scopes.push_back({ TableInScope { table, QString() } });
    if (AcceptKeyword("WHERE"))
        sql += QStringLiteral(" WHERE ") + ClauseExpression();
    if (!AtStatementEnd())
        Fail(error);
    ExpectEndOfStatement();
    Translation t;
    t.kind = Translation::Delete;
    t.sql = sql;
    t.parameterCount = m_markers + static_cast<int>(m_parameters.size());
    return t;
}

Translation JetSqlParser::Create()
{
    Next(); // CREATE
    if (AtKeyword("TABLE"))
        return CreateTable();
    if (AtKeyword("UNIQUE") && AtKeyword("INDEX", 1)) {
        Next();
        return CreateIndex(true);
    }
    if (AtKeyword("INDEX"))
        return CreateIndex(false);
    if (AtKeyword("PROCEDURE") || AtKeyword("PROC"))
        return CreateProcedure();
    if (AtKeyword("VIEW"))
        return CreateView();
    Fail(QStringLiteral("Syntax error in CREATE TABLE statement."));
}

QString JetSqlParser::ObjectName(const char* statementMessage)
{
    const Token& name = Next();
    if (!name.IsName() || IsReserved(name))
        FailAt(name, QString::fromLatin1(statementMessage));
    return name.text;
}

QString JetSqlParser::ColumnNameOnly(const char* statementMessage)
{
    QString name = ObjectName(statementMessage);
    if (AtSymbol(".") || AtSymbol("!")) {
        Next();
        name = ObjectName(statementMessage);
    }
    return name;
}

QString JetSqlParser::NameList(const char* statementMessage)
{
    if (!AcceptSymbol("("))
        Fail(QString::fromLatin1(statementMessage));
    QStringList names;
    do {
        names.append(QuoteIdentifier(ObjectName(statementMessage)));
    } while (AcceptSymbol(","));
    if (!AcceptSymbol(")"))
        Fail(QString::fromLatin1(statementMessage));
    return u'(' + names.join(QStringLiteral(", ")) + u')';
}

Translation JetSqlParser::CreateTable()
{
    const QString error = QStringLiteral("Syntax error in CREATE TABLE statement.");
    Next(); // TABLE
    const QString table = ObjectName("Syntax error in CREATE TABLE statement.");
    if (!AcceptSymbol("("))
        Fail(error);
    QStringList parts;
    QStringList primaryKeyColumns; // every PRIMARY KEY written, column or table form
    QString primaryKeyConstraint; // the table form's SQLite text
    int counters = 0;
    QString counterColumn;
    int columnCount = 0;
    do {
        if (AtKeyword("CONSTRAINT") || AtKeyword("PRIMARY") || AtKeyword("UNIQUE") || AtKeyword("FOREIGN")) {
            const QString constraint = TableConstraint(primaryKeyColumns, primaryKeyConstraint);
            if (!constraint.isEmpty())
                parts.append(constraint);
        } else {
            parts.append(ColumnDefinition(false, primaryKeyColumns, counters, counterColumn));
            ++columnCount;
        }
    } while (AcceptSymbol(","));
    if (!AcceptSymbol(")") || columnCount == 0)
        Fail(error);
    ExpectEndOfStatement();

    if (counters > 1)
        throw platform::ComError(
            platform::E_FAIL, QStringLiteral("A table can have only one AutoNumber (COUNTER) field."), kJetSource);
    if (counters == 1) {
        // The counter is SQLite's INTEGER PRIMARY KEY; a key on anything else
        // cannot stand beside it.
        for (const QString& key : primaryKeyColumns) {
            if (key.compare(counterColumn, Qt::CaseInsensitive) != 0)
                throw platform::ComError(platform::E_FAIL,
                    QStringLiteral("Primary key already exists: the AutoNumber field '%1' is this table's primary "
                                   "key, so '%2' cannot be one as well.")
                        .arg(counterColumn, key),
                    kJetSource);
        }
        parts.removeAll(primaryKeyConstraint);
    } else if (primaryKeyColumns.size() > 1 && primaryKeyConstraint.isEmpty()) {
        throw platform::ComError(platform::E_FAIL, QStringLiteral("Primary key already exists."), kJetSource);
    }
    Translation t;
    t.kind = Translation::CreateTable;
    t.objectName = table;
    t.sql = QStringLiteral("CREATE TABLE ") + QuoteIdentifier(table) + QStringLiteral(" (")
        + parts.join(QStringLiteral(", ")) + u')';
    return t;
}

QString JetSqlParser::JetTypeText(const char* statementMessage)
{
    // A type is one to three words ("DOUBLE PRECISION", "NATIONAL CHARACTER
    // VARYING"); the words are joined for SqliteTypeOfJet.
    QStringList words;
    while (Peek().kind == Token::Word && !IsReserved(Peek()) && words.size() < 3) {
        const QString candidate = (words + QStringList { Next().text.toUpper() }).join(u' ');
        words = candidate.split(u' ');
        const Token& next = Peek();
        if (next.kind != Token::Word)
            break;
        const QString longer = candidate + u' ' + next.text.toUpper();
        SqliteColumnType probe;
        bool isPrefix = false;
        for (const char* multi : { "DOUBLE PRECISION", "CHARACTER VARYING", "NATIONAL CHARACTER", "NATIONAL CHAR",
                 "NATIONAL CHARACTER VARYING", "NATIONAL CHAR VARYING", "BINARY VARYING" }) {
            if (QString::fromLatin1(multi).startsWith(longer))
                isPrefix = true;
        }
        if (!isPrefix)
            break;
    }
    if (words.isEmpty())
        Fail(QString::fromLatin1(statementMessage));
    return words.join(u' ');
}

QString JetSqlParser::ColumnDefinition(
    bool inAlter, QStringList& primaryKeyColumns, int& counters, QString& counterColumn)
{
    const QString fieldError = QStringLiteral("Syntax error in field definition.");
    const Token& nameToken = Next();
    if (!nameToken.IsName() || IsReserved(nameToken))
        FailAt(nameToken, fieldError);
    const QString column = nameToken.text;
    const QString typeName = JetTypeText("Syntax error in field definition.");
    int size = -1;
    int scale = -1;
    if (AcceptSymbol("(")) {
        bool ok = false;
        const Token& n = Next();
        size = n.text.toInt(&ok);
        if (n.kind != Token::Number || !ok)
            Fail(fieldError);
        if (AcceptSymbol(",")) {
            const Token& s = Next();
            scale = s.text.toInt(&ok);
            if (s.kind != Token::Number || !ok)
                Fail(fieldError);
        }
        if (!AcceptSymbol(")"))
            Fail(fieldError);
    }
    SqliteColumnType type;
    if (!SqliteTypeOfJet(typeName, size, scale, type))
        Fail(fieldError);
    if (type.counter) {
        // COUNTER(seed, increment): SQLite's AUTOINCREMENT starts at 1 and
        // steps by 1, which is all it can promise.
        if ((size >= 0 && size != 1) || (scale >= 0 && scale != 1))
            throw platform::ComError(platform::DB_E_NOTSUPPORTED,
                QStringLiteral("An AutoNumber field that does not start at 1 and step by 1 is "
                               "not supported."),
                kJetSource);
        if (inAlter)
            throw platform::ComError(platform::DB_E_NOTSUPPORTED,
                QStringLiteral("An AutoNumber field cannot be added to an existing table."), kJetSource);
        ++counters;
        counterColumn = column;
    }
    if (AtKeyword("WITH") && (AtKeyword("COMPRESSION", 1) || AtKeyword("COMP", 1))) {
        Next();
        Next();
    }
    QString sql = QuoteIdentifier(column) + u' ' + type.declared;
    if (type.counter)
        sql += QStringLiteral(" PRIMARY KEY AUTOINCREMENT");
    bool notNull = false;
    QString rest;
    for (;;) {
        if (AtKeyword("NOT") && AtKeyword("NULL", 1)) {
            Next();
            Next();
            notNull = true;
        } else if (AcceptKeyword("NULL")) {
            // nullable is the default
        } else if (AcceptKeyword("DEFAULT")) {
            rest += QStringLiteral(" DEFAULT ") + DefaultValue();
        } else if (AtKeyword("CONSTRAINT") || AtKeyword("PRIMARY") || AtKeyword("UNIQUE") || AtKeyword("REFERENCES")) {
            QString constraintName;
            if (AcceptKeyword("CONSTRAINT"))
                constraintName = QuoteIdentifier(ObjectName("Syntax error in CONSTRAINT clause."));
            if (AtKeyword("PRIMARY")) {
                Next();
                if (!AcceptKeyword("KEY"))
                    Fail(QStringLiteral("Syntax error in CONSTRAINT clause."));
                primaryKeyColumns.append(column);
                if (!type.counter)
                    rest += (constraintName.isEmpty() ? QString() : QStringLiteral(" CONSTRAINT ") + constraintName)
                        + QStringLiteral(" PRIMARY KEY");
            } else if (AcceptKeyword("UNIQUE")) {
                rest += (constraintName.isEmpty() ? QString() : QStringLiteral(" CONSTRAINT ") + constraintName)
                    + QStringLiteral(" UNIQUE");
            } else if (AcceptKeyword("REFERENCES")) {
                QString ref = QStringLiteral(" REFERENCES ")
                    + QuoteIdentifier(ObjectName("Syntax error in CONSTRAINT clause."));
                if (AtSymbol("("))
                    ref += u' ' + NameList("Syntax error in CONSTRAINT clause.");
                rest += (constraintName.isEmpty() ? QString() : QStringLiteral(" CONSTRAINT ") + constraintName) + ref;
            } else {
                Fail(QStringLiteral("Syntax error in CONSTRAINT clause."));
            }
        } else {
            break;
        }
    }
    if (!AtSymbol(",") && !AtSymbol(")") && !(inAlter && AtStatementEnd()))
        FailAt(Peek(), fieldError);
    if (notNull && !type.counter)
        sql += QStringLiteral(" NOT NULL");
    sql += rest;
    if (type.text)
        sql += QStringLiteral(" COLLATE NOCASE");
    return sql;
}

QString JetSqlParser::DefaultValue()
{
    const NestingGuard guard(*this);
    const QString error = QStringLiteral("Syntax error in field definition.");
    if (AcceptSymbol("(")) {
        QString inner = DefaultValue();
        if (!AcceptSymbol(")"))
            Fail(error);
        return inner;
    }
    const Token& t = Next();
    switch (t.kind) {
    case Token::Number:
        return t.text;
    case Token::String:
        return SqlString(t.text);
    case Token::Date:
        return SqlString(t.text);
    case Token::Symbol:
        if ((t.text == QLatin1String("-") || t.text == QLatin1String("+")) && Peek().kind == Token::Number) {
            const QString sign = t.text == QLatin1String("-") ? QStringLiteral("-") : QString();
            return sign + Next().text;
        }
        break;
    case Token::Word:
        if (t.IsKeyword("NULL"))
            return QStringLiteral("NULL");
        if (t.IsKeyword("TRUE") || t.IsKeyword("YES"))
            return QStringLiteral("-1");
        if (t.IsKeyword("FALSE") || t.IsKeyword("NO"))
            return QStringLiteral("0");
        if (AtSymbol("(") && AtSymbol(")", 1)) {
            const char* sqlite = nullptr;
            if (t.IsKeyword("NOW"))
                sqlite = kNowDefault;
            else if (t.IsKeyword("DATE"))
                sqlite = kDateDefault;
            else if (t.IsKeyword("TIME"))
                sqlite = kTimeDefault;
            if (sqlite != nullptr) {
                Next();
                Next();
                return QString::fromLatin1(sqlite);
            }
        }
        break;
    default:
        break;
    }
    FailAt(t, error);
}

QString JetSqlParser::TableConstraint(QStringList& primaryKeyColumns, QString& primaryKeyConstraint)
{
    const char* error = "Syntax error in CONSTRAINT clause.";
    QString sql;
    if (AcceptKeyword("CONSTRAINT"))
        sql = QStringLiteral("CONSTRAINT ") + QuoteIdentifier(ObjectName(error)) + u' ';
    if (AtKeyword("PRIMARY")) {
        Next();
        if (!AcceptKeyword("KEY"))
            Fail(QString::fromLatin1(error));
        const std::size_t listStart = m_pos;
        const QString list = NameList(error);
        for (std::size_t i = listStart; i < m_pos; ++i) {
            if (m_tokens[i].IsName())
                primaryKeyColumns.append(m_tokens[i].text);
        }
        sql += QStringLiteral("PRIMARY KEY ") + list;
        if (!primaryKeyConstraint.isEmpty())
            throw platform::ComError(platform::E_FAIL, QStringLiteral("Primary key already exists."), kJetSource);
        primaryKeyConstraint = sql;
        return sql;
    }
    if (AcceptKeyword("UNIQUE"))
        return sql + QStringLiteral("UNIQUE ") + NameList(error);
    if (AcceptKeyword("FOREIGN")) {
        if (!AcceptKeyword("KEY"))
            Fail(QString::fromLatin1(error));
        sql += QStringLiteral("FOREIGN KEY ") + NameList(error);
        if (!AcceptKeyword("REFERENCES"))
            Fail(QString::fromLatin1(error));
        sql += QStringLiteral(" REFERENCES ") + QuoteIdentifier(ObjectName(error));
        if (AtSymbol("("))
            sql += u' ' + NameList(error);
        while (AtKeyword("ON") && (AtKeyword("DELETE", 1) || AtKeyword("UPDATE", 1))) {
            Next();
            sql += QStringLiteral(" ON ") + Next().text.toUpper();
            if (AcceptKeyword("CASCADE"))
                sql += QStringLiteral(" CASCADE");
            else if (AtKeyword("SET") && AtKeyword("NULL", 1)) {
                Next();
                Next();
                sql += QStringLiteral(" SET NULL");
            } else if (AtKeyword("NO") && AtKeyword("ACTION", 1)) {
                Next();
                Next();
                sql += QStringLiteral(" NO ACTION");
            } else {
                Fail(QString::fromLatin1(error));
            }
        }
        return sql;
    }
    Fail(QString::fromLatin1(error));
}

Translation JetSqlParser::CreateIndex(bool unique)
{
    const char* error = "Syntax error in CREATE INDEX statement.";
    Next(); // INDEX
    const QString index = ObjectName(error);
    if (!AcceptKeyword("ON"))
        Fail(QString::fromLatin1(error));
    const QString table = ObjectName(error);
    if (!AcceptSymbol("("))
        Fail(QString::fromLatin1(error));
    QStringList columns;
    QStringList notNullTests;
    do {
        const QString column = ObjectName(error);
        QString item = QuoteIdentifier(column);
        if (AcceptKeyword("DESC"))
            item += QStringLiteral(" DESC");
        else if (AcceptKeyword("ASC"))
            item += QStringLiteral(" ASC");
        columns.append(item);
        notNullTests.append(QuoteIdentifier(column) + QStringLiteral(" IS NOT NULL"));
    } while (AcceptSymbol(","));
    if (!AcceptSymbol(")"))
        Fail(QString::fromLatin1(error));
    QString where;
    if (AcceptKeyword("WITH")) {
        do {
            if (AcceptKeyword("PRIMARY")) {
                // A primary index is unique; SQLite fixes a table's key
                // when the table is made, so the index carries the uniqueness.
                unique = true;
            } else if (AtKeyword("IGNORE") && AtKeyword("NULL", 1)) {
                Next();
                Next();
                where = QStringLiteral(" WHERE ") + notNullTests.join(QStringLiteral(" AND "));
            } else if (AtKeyword("DISALLOW") && AtKeyword("NULL", 1)) {
                throw platform::ComError(platform::DB_E_NOTSUPPORTED,
                    QStringLiteral("An index WITH DISALLOW NULL is not supported; declare the "
                                   "fields NOT NULL instead."),
                    kJetSource);
            } else {
                Fail(QString::fromLatin1(error));
            }
        } while (AcceptSymbol(","));
    }
    ExpectEndOfStatement();
    Translation t;
    t.kind = Translation::CreateIndex;
    t.objectName = index;
    t.sql = QStringLiteral("CREATE ") + (unique ? QStringLiteral("UNIQUE ") : QString()) + QStringLiteral("INDEX ")
        + QuoteIdentifier(index) + QStringLiteral(" ON ") + QuoteIdentifier(table) + QStringLiteral(" (")
        + columns.join(QStringLiteral(", ")) + u')' + where;
    return t;
}

Translation JetSqlParser::Body(const QString& message)
{
    const Token& first = Peek();
    if (first.kind == Token::End)
        Fail(message);
    Translation body;
    if (first.IsKeyword("SELECT") || (first.IsSymbol("(") && Peek(1).IsKeyword("SELECT")))
        body = Select();
    else if (first.IsKeyword("INSERT"))
        body = Insert();
    else if (first.IsKeyword("UPDATE"))
        body = Update();
    else if (first.IsKeyword("DELETE"))
        body = Delete();
    else
        Fail(message);
    return body;
}

Translation JetSqlParser::CreateProcedure()
{
    const char* error = "Syntax error in PROCEDURE clause.";
    Next(); // PROCEDURE
    const QString name = ObjectName(error);
    QStringList names;
    QStringList types;
    const bool parenthesised = AcceptSymbol("(");
    if (!parenthesised || !AtSymbol(")")) {
        while (!AtKeyword("AS") && !(parenthesised && AtSymbol(")"))) {
            const Token& p = Next();
            if (!p.IsName() || IsReserved(p))
                FailAt(p, QString::fromLatin1(error));
            const std::size_t typeStart = m_pos;
            JetTypeText(error);
            if (AcceptSymbol("(")) {
                while (!AtSymbol(")") && Peek().kind != Token::End)
                    Next();
                if (!AcceptSymbol(")"))
                    Fail(QString::fromLatin1(error));
            }
            names.append(p.text);
            types.append(m_text.mid(m_tokens[typeStart].begin, m_tokens[m_pos - 1].end - m_tokens[typeStart].begin));
            if (!AcceptSymbol(","))
                break;
        }
    }
    if (parenthesised && !AcceptSymbol(")"))
        Fail(QString::fromLatin1(error));
    if (!AcceptKeyword("AS"))
        Fail(QString::fromLatin1(error));
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString key = names[i].toCaseFolded();
        if (m_parameters.contains(key))
            Fail(QStringLiteral("Duplicate output alias '%1'.").arg(names[i]));
        m_parameters.insert(key, static_cast<int>(i + 1));
    }
    const int bodyBegin = Peek().begin;
    Translation body = Body(QString::fromLatin1(error));
    Translation t = body;
    t.kind = Translation::CreateProcedure;
    t.bodyKind = body.kind;
    t.objectName = name;
    t.procParamNames = names;
    t.procParamTypes = types;
    QString jetBody = m_text.mid(bodyBegin).trimmed();
    if (jetBody.endsWith(u';'))
        jetBody.chop(1);
    t.jetBody = jetBody.trimmed();
    t.bodyJetText = t.jetBody;
    return t;
}

Translation JetSqlParser::CreateView()
{
    const char* error = "Syntax error in CREATE VIEW statement.";
    Next(); // VIEW
    const QString name = ObjectName(error);
    if (!AcceptKeyword("AS"))
        Fail(QString::fromLatin1(error));
    const int bodyBegin = Peek().begin;
    if (!AtKeyword("SELECT") && !(AtSymbol("(") && AtKeyword("SELECT", 1)))
        Fail(QString::fromLatin1(error));
    Translation body = Select();
    Translation t = body;
    t.kind = Translation::CreateView;
    t.bodyKind = Translation::Select;
    t.objectName = name;
    QString jetBody = m_text.mid(bodyBegin).trimmed();
    if (jetBody.endsWith(u';'))
        jetBody.chop(1);
    t.jetBody = jetBody.trimmed();
    t.bodyJetText = t.jetBody;
    return t;
}

Translation JetSqlParser::Drop()
{
    const char* error = "Syntax error in DROP TABLE or DROP INDEX.";
    Next(); // DROP
    Translation t;
    if (AcceptKeyword("TABLE")) {
        t.kind = Translation::DropTable;
        t.objectName = ObjectName(error);
        t.sql = QStringLiteral("DROP TABLE ") + QuoteIdentifier(t.objectName);
    } else if (AcceptKeyword("INDEX")) {
        t.kind = Translation::DropIndex;
        t.objectName = ObjectName(error);
        // Jet names the table; SQLite's index names are unique in the file.
        if (AcceptKeyword("ON"))
            ObjectName(error);
        t.sql = QStringLiteral("DROP INDEX ") + QuoteIdentifier(t.objectName);
    } else if (AcceptKeyword("PROCEDURE") || AcceptKeyword("PROC")) {
        t.kind = Translation::DropProcedure;
        t.objectName = ObjectName(error);
    } else if (AcceptKeyword("VIEW")) {
        t.kind = Translation::DropView;
        t.objectName = ObjectName(error);
    } else {
        FailAt(Peek(), QString::fromLatin1(error));
    }
    if (!AtStatementEnd())
        Fail(QString::fromLatin1(error));
    ExpectEndOfStatement();
    return t;
}

Translation JetSqlParser::Alter()
{
    const char* error = "Syntax error in ALTER TABLE statement.";
    Next(); // ALTER
    if (!AcceptKeyword("TABLE"))
        Fail(QString::fromLatin1(error));
    const QString table = ObjectName(error);
    Translation t;
    t.kind = Translation::AlterTable;
    t.objectName = table;
    if (AcceptKeyword("ADD")) {
        if (AtKeyword("CONSTRAINT") || AtKeyword("PRIMARY") || AtKeyword("UNIQUE") || AtKeyword("FOREIGN"))
            throw platform::ComError(platform::DB_E_NOTSUPPORTED,
                QStringLiteral("Adding a constraint to an existing table is not supported."), kJetSource);
        AcceptKeyword("COLUMN");
        QStringList keys;
        int counters = 0;
        QString counterColumn;
        const QString column = ColumnDefinition(true, keys, counters, counterColumn);
        if (!keys.isEmpty())
            throw platform::ComError(platform::DB_E_NOTSUPPORTED,
                QStringLiteral("A primary key cannot be added to an existing table."), kJetSource);
        t.sql = QStringLiteral("ALTER TABLE ") + QuoteIdentifier(table) + QStringLiteral(" ADD COLUMN ") + column;
    } else if (AcceptKeyword("DROP")) {
        if (AtKeyword("CONSTRAINT"))
            throw platform::ComError(
                platform::DB_E_NOTSUPPORTED, QStringLiteral("Dropping a constraint is not supported."), kJetSource);
        AcceptKeyword("COLUMN");
        t.sql = QStringLiteral("ALTER TABLE ") + QuoteIdentifier(table) + QStringLiteral(" DROP COLUMN ")
            + QuoteIdentifier(ObjectName(error));
    } else if (AtKeyword("ALTER")) {
        throw platform::ComError(platform::DB_E_NOTSUPPORTED,
            QStringLiteral("Changing a field's type (ALTER COLUMN) is not supported."), kJetSource);
    } else {
        Fail(QString::fromLatin1(error));
    }
    ExpectEndOfStatement();
    return t;
}

Translation JetSqlParser::Execute()
{
    const char* error = "Syntax error in EXECUTE statement.";
    Next(); // EXECUTE
    Translation t;
    t.kind = Translation::ExecuteProcedure;
    t.objectName = ObjectName(error);
    if (!AtStatementEnd()) {
        do {
            const Token& v = Next();
            QString literal;
            switch (v.kind) {
            case Token::Number:
                literal = v.text;
                break;
            case Token::String:
            case Token::Date:
                literal = SqlString(v.text);
                break;
            case Token::Parameter:
                literal = QStringLiteral("?");
                ++m_markers;
                break;
            case Token::Symbol:
                if ((v.text == QLatin1String("-") || v.text == QLatin1String("+")) && Peek().kind == Token::Number)
                    literal = (v.text == QLatin1String("-") ? QStringLiteral("-") : QString()) + Next().text;
                break;
            case Token::Word:
                if (v.IsKeyword("NULL"))
                    literal = QStringLiteral("NULL");
                else if (v.IsKeyword("TRUE") || v.IsKeyword("YES"))
                    literal = QStringLiteral("1");
                else if (v.IsKeyword("FALSE") || v.IsKeyword("NO"))
                    literal = QStringLiteral("0");
                break;
            default:
                break;
            }
            if (literal.isEmpty())
                FailAt(v, QString::fromLatin1(error));
            t.executeArguments.append(literal);
        } while (AcceptSymbol(","));
    }
    ExpectEndOfStatement();
    t.parameterCount = m_markers;
    return t;
}

Translation JetSqlParser::Parameters()
{
    const char* error = "Syntax error in PARAMETER clause.";
    Next(); // PARAMETERS
    QStringList names;
    QStringList types;
    do {
        const Token& p = Next();
        if (!p.IsName() || IsReserved(p))
            FailAt(p, QString::fromLatin1(error));
        const std::size_t typeStart = m_pos;
        JetTypeText(error);
        if (AcceptSymbol("(")) {
            while (!AtSymbol(")") && Peek().kind != Token::End)
                Next();
            if (!AcceptSymbol(")"))
                Fail(QString::fromLatin1(error));
        }
        names.append(p.text);
        types.append(m_text.mid(m_tokens[typeStart].begin, m_tokens[m_pos - 1].end - m_tokens[typeStart].begin));
    } while (AcceptSymbol(","));
    if (!AcceptSymbol(";"))
        Fail(QString::fromLatin1(error));
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString key = names[i].toCaseFolded();
        if (m_parameters.contains(key))
            Fail(QStringLiteral("Duplicate output alias '%1'.").arg(names[i]));
        m_parameters.insert(key, static_cast<int>(i + 1));
    }
    const int bodyBegin = Peek().begin;
    Translation body = Body(QString::fromLatin1(error));
    body.bodyKind = body.kind;
    body.procParamNames = names;
    body.procParamTypes = types;
    QString jetBody = m_text.mid(bodyBegin).trimmed();
    if (jetBody.endsWith(u';'))
        jetBody.chop(1);
    body.jetBody = jetBody.trimmed();
    body.bodyJetText = body.jetBody;
    return body;
}

// ---------------------------------------------------------------------------
// Expressions

QString JetSqlParser::ClauseExpression(bool asValue)
{
    m_exprStart = m_pos;
    if (!IsOperandStart(Peek()) && !AtSymbol("-") && !AtSymbol("+")) {
        if (Peek().kind == Token::BadName)
            FailAt(Peek(), QString());
        FailExpression(ExprError::Plain);
    }
    QString sql = Expression();
    if (asValue)
        sql = AsValue(sql);
    // Another operand, or a mark that is no operator here ("!=", "@"),
    // straight after a complete expression: Jet's "missing operator".
    const Token& after = Peek();
    if (IsOperandStart(after)
        || (after.kind == Token::Symbol && !after.IsSymbol(",") && !after.IsSymbol(")") && !after.IsSymbol(";")))
        FailExpression(ExprError::MissingOperator);
    return sql;
}

// ---------------------------------------------------------------------------
// Types

QString JetSqlParser::AsValue(const QString& sql)
{
    if (!m_logical)
        return sql;
    // SQLite's truth is 1, Jet's is -1.
    SetType(ValueType::Long);
    return QStringLiteral("(- ") + sql + u')';
}

void JetSqlParser::SetType(ValueType type)
{
    m_type = type;
    m_logical = false;
    m_literal.reset();
}

bool JetSqlParser::IsNumeric(ValueType type)
{
    switch (type) {
    case ValueType::Boolean:
    case ValueType::Byte:
    case ValueType::Integer:
    case ValueType::Long:
    case ValueType::Single:
    case ValueType::Double:
    case ValueType::Currency:
    case ValueType::Decimal:
        return true;
    default:
        return false;
    }
}

bool JetSqlParser::IsNonText(ValueType type)
{
    return IsNumeric(type) || type == ValueType::Date || type == ValueType::Binary;
}

// The type of a sum or product of two numbers, as VBA widens them.
JetSqlParser::ValueType JetSqlParser::Wider(ValueType a, ValueType b)
{
    if (a == ValueType::Null)
        return b;
    if (b == ValueType::Null)
        return a;
    if (!IsNumeric(a) || !IsNumeric(b))
        return ValueType::Unknown;
    if (a == ValueType::Boolean)
        a = ValueType::Integer;
    if (b == ValueType::Boolean)
        b = ValueType::Integer;
    auto either = [&](ValueType t) { return a == t || b == t; };
    if (either(ValueType::Decimal))
        return ValueType::Decimal;
    if (either(ValueType::Double))
        return ValueType::Double;
    if (either(ValueType::Single))
        return either(ValueType::Long) || either(ValueType::Currency) ? ValueType::Double : ValueType::Single;
    if (either(ValueType::Currency))
        return ValueType::Currency;
    return std::max(a, b); // Byte < Integer < Long
}

// The type of a value that is one of two (IIf's branches, Nz's value and
// its replacement).
JetSqlParser::ValueType JetSqlParser::Either(ValueType a, ValueType b)
{
    if (a == b || b == ValueType::Null)
        return a;
    if (a == ValueType::Null)
        return b;
    if (IsNumeric(a) && IsNumeric(b))
        return Wider(a, b);
    return ValueType::Unknown;
}

long JetSqlParser::AdoTypeOf(ValueType type)
{
    switch (type) {
    case ValueType::Boolean:
        return adBoolean;
    case ValueType::Byte:
        return adUnsignedTinyInt;
    case ValueType::Integer:
        return adSmallInt;
    case ValueType::Long:
        return adInteger;
    case ValueType::Single:
        return adSingle;
    case ValueType::Double:
        return adDouble;
    case ValueType::Currency:
        return adCurrency;
    case ValueType::Decimal:
        return adNumeric;
    case ValueType::Date:
        return adDate;
    case ValueType::Text:
        return adVarWChar;
    case ValueType::Binary:
        return adLongVarBinary;
    case ValueType::Unknown:
    case ValueType::Null:
        break;
    }
    return adEmpty;
}

JetSqlParser::ValueType JetSqlParser::ValueTypeOfAdo(long adoType)
{
    switch (adoType) {
    case adBoolean:
        return ValueType::Boolean;
    case adUnsignedTinyInt:
        return ValueType::Byte;
    case adSmallInt:
        return ValueType::Integer;
    case adInteger:
        return ValueType::Long;
    case adSingle:
        return ValueType::Single;
    case adDouble:
        return ValueType::Double;
    case adCurrency:
        return ValueType::Currency;
    case adNumeric:
        return ValueType::Decimal;
    case adDate:
        return ValueType::Date;
    case adVarWChar:
    case adWChar:
    case adLongVarWChar:
        return ValueType::Text;
    case adVarBinary:
    case adLongVarBinary:
        return ValueType::Binary;
    default:
        return ValueType::Unknown;
    }
}

JetSqlParser::ValueType JetSqlParser::TypeOfColumn(const QStringList& parts) const
{
    if (m_schema == nullptr || parts.isEmpty())
        return ValueType::Unknown;
    const QString column = parts.back();
    auto lookup = [&](const QString& table, ValueType& out) {
        const char* declared = nullptr;
        if (sqlite3_table_column_metadata(m_schema, nullptr, table.toUtf8().constData(), column.toUtf8().constData(),
                &declared, nullptr, nullptr, nullptr, nullptr)
            != SQLITE_OK)
            return false;
        out = declared == nullptr ? ValueType::Unknown
                                  : ValueTypeOfAdo(AdoTypeOfDeclared(QString::fromUtf8(declared)).adoType);
        return true;
    };
    ValueType type = ValueType::Unknown;
    for (auto scope = m_scopes.rbegin(); scope != m_scopes.rend(); ++scope) {
        for (const TableInScope& entry : *scope) {
            if (parts.size() == 2) {
                const QString& name = entry.alias.isEmpty() ? entry.table : entry.alias;
                if (name.compare(parts.front(), Qt::CaseInsensitive) != 0)
                    continue;
                lookup(entry.table, type);
                return type;
            }
            if (lookup(entry.table, type))
                return type;
        }
    }
    return ValueType::Unknown;
}

// The tables a SELECT reads, found by looking ahead from its select list to
// its FROM clause at the same depth. Tables of a subquery in FROM are not
// looked into: their columns stay of unknown type.
std::vector<JetSqlParser::TableInScope> JetSqlParser::ScanFromClause() const
{
    std::vector<TableInScope> tables;
    if (m_schema == nullptr)
        return tables;
    const std::size_t n = m_tokens.size();
    std::size_t i = m_pos;
    int depth = 0;
    for (; i < n; ++i) {
        const Token& t = m_tokens[i];
        if (t.kind == Token::End)
            return tables;
        if (t.IsSymbol("(")) {
            ++depth;
        } else if (t.IsSymbol(")")) {
            if (depth == 0)
                return tables;
            --depth;
        } else if (depth == 0 && (t.IsKeyword("UNION") || t.IsKeyword("ORDER"))) {
            return tables;
        } else if (depth == 0 && t.IsKeyword("FROM")) {
            break;
        }
    }
    bool expectTable = true;
    depth = 0;
    for (++i; i < n; ++i) {
        const Token& t = m_tokens[i];
        if (t.kind == Token::End)
            break;
        if (t.IsSymbol("(")) {
            if (i + 1 < n && m_tokens[i + 1].IsKeyword("SELECT")) {
                int inner = 0;
                for (; i < n && m_tokens[i].kind != Token::End; ++i) {
                    if (m_tokens[i].IsSymbol("("))
                        ++inner;
                    else if (m_tokens[i].IsSymbol(")") && --inner == 0)
                        break;
                }
                expectTable = false;
                continue;
            }
            ++depth;
            expectTable = true;
            continue;
        }
        if (t.IsSymbol(")")) {
            if (depth == 0)
                break;
            --depth;
            expectTable = false;
            continue;
        }
        if (depth == 0
            && (t.IsKeyword("WHERE") || t.IsKeyword("GROUP") || t.IsKeyword("HAVING") || t.IsKeyword("ORDER")
                || t.IsKeyword("UNION")))
            break;
        if (t.IsSymbol(",") || t.IsKeyword("JOIN")) {
            expectTable = true;
            continue;
        }
        if (t.IsKeyword("ON")) {
            expectTable = false;
            continue;
        }
        if (expectTable && t.IsName() && !IsReserved(t)) {
            TableInScope entry { t.text, QString() };
            if (i + 2 < n && m_tokens[i + 1].IsKeyword("AS") && m_tokens[i + 2].IsName()) {
                entry.alias = m_tokens[i + 2].text;
                i += 2;
            } else if (i + 1 < n && m_tokens[i + 1].IsName() && !IsReserved(m_tokens[i + 1])) {
                entry.alias = m_tokens[i + 1].text;
                i += 1;
            }
            tables.push_back(entry);
            expectTable = false;
        }
    }
    return tables;
}

// A text literal compared with a number or a date is read as one, as Jet
// reads it; text that is none is Jet's type mismatch.
QString JetSqlParser::LiteralFor(ValueType other, const QString& literal, const QString& sql) const
{
    if (other == ValueType::Boolean || (!IsNumeric(other) && other != ValueType::Date))
        return sql;
    const QString text = literal.trimmed();
    if (IsNumeric(other)) {
        bool ok = false;
        const qlonglong whole = text.toLongLong(&ok);
        if (ok)
            return QString::number(whole);
        const double real = text.toDouble(&ok);
        if (ok && std::isfinite(real))
            return QString::number(real, 'g', 17);
    } else {
        const QByteArray utf8 = text.toUtf8();
        dates::CivilDateTime value;
        if (dates::ParseDateText(utf8.constData(), std::size_t(utf8.size()), value)) {
            char stored[dates::kStoredLength + 1];
            dates::FormatStored(value, stored);
            return SqlString(QString::fromLatin1(stored));
        }
    }
    throw platform::ComError(
        platform::DB_E_CANTCONVERTVALUE, QStringLiteral("Data type mismatch in criteria expression."), kJetSource);
}

QString JetSqlParser::Compare(const QString& left, ValueType leftType, const std::optional<QString>& leftLiteral,
    const char* op, QString right, ValueType rightType, const std::optional<QString>& rightLiteral)
{
    QString l = leftLiteral ? LiteralFor(rightType, *leftLiteral, left) : left;
    QString r = rightLiteral ? LiteralFor(leftType, *rightLiteral, right) : right;
    const bool text
        = !IsNonText(leftType) && !IsNonText(rightType) && leftType != ValueType::Null && rightType != ValueType::Null;
    // Jet compares text without regard to case in every script; numbers and
    // dates compare as they are, so that their indexes still serve.
    QString sql = text
        ? u'(' + l + u' ' + QLatin1String(op) + QStringLiteral(" (") + r + QStringLiteral(") COLLATE jet_text)")
        : Wrap(l, op, r);
    SetType(ValueType::Long);
    m_logical = true;
    return sql;
}

// ---------------------------------------------------------------------------
// Expressions

QString JetSqlParser::Expression()
{
    const NestingGuard guard(*this);
    return OrExpression();
}

QString JetSqlParser::OrExpression()
{
    QString left = AndExpression();
    for (;;) {
        if (AcceptKeyword("OR")) {
            left = Wrap(left, "OR", AndExpression());
        } else if (AcceptKeyword("XOR")) {
            const QString right = AndExpression();
            left = QStringLiteral("((%1) <> 0) <> ((%2) <> 0)").arg(left, right);
            left = u'(' + left + u')';
        } else {
            return left;
        }
        SetType(ValueType::Long);
        m_logical = true;
    }
}

QString JetSqlParser::AndExpression()
{
    QString left = NotExpression();
    while (AcceptKeyword("AND")) {
        left = Wrap(left, "AND", NotExpression());
        SetType(ValueType::Long);
        m_logical = true;
    }
    return left;
}

QString JetSqlParser::NotExpression()
{
    const NestingGuard guard(*this);
    if (AcceptKeyword("NOT")) {
        const QString sql = QStringLiteral("(NOT ") + NotExpression() + u')';
        SetType(ValueType::Long);
        m_logical = true;
        return sql;
    }
    return Comparison();
}

QString JetSqlParser::Comparison()
{
    QString left = Concatenation();
    auto logical = [this] {
        SetType(ValueType::Long);
        m_logical = true;
    };
    auto folded = [](const QString& sql) { return u'(' + sql + QStringLiteral(") COLLATE jet_text"); };
    for (;;) {
        const Token& t = Peek();
        if (t.kind == Token::Symbol) {
            static const char* const ops[] = { "=", "<>", "<", ">", "<=", ">=" };
            const char* op = nullptr;
            for (const char* candidate : ops) {
                if (t.text == QLatin1String(candidate))
                    op = candidate;
            }
            if (op == nullptr)
                return left;
            Next();
            left = AsValue(left);
            const ValueType leftType = m_type;
            const std::optional<QString> leftLiteral = m_literal;
            const QString right = AsValue(Concatenation());
            left = Compare(left, leftType, leftLiteral, op, right, m_type, m_literal);
            continue;
        }
        bool negated = false;
        if (t.IsKeyword("NOT") && (AtKeyword("LIKE", 1) || AtKeyword("BETWEEN", 1) || AtKeyword("IN", 1))) {
            Next();
            negated = true;
        }
        if (AcceptKeyword("LIKE")) {
            left = AsValue(left);
            const QString pattern = AsValue(Concatenation());
            // SQLite's LIKE folds ASCII letters only and knows no [list]:
            // jet_like matches as Jet does.
            left = QStringLiteral("(%1jet_like(%2, %3))")
                       .arg(negated ? QStringLiteral("NOT ") : QString(), left, pattern);
            logical();
        } else if (AcceptKeyword("BETWEEN")) {
            left = AsValue(left);
            const ValueType leftType = m_type;
            QString low = AsValue(Concatenation());
            const ValueType lowType = m_type;
            if (m_literal)
                low = LiteralFor(leftType, *m_literal, low);
            if (!AcceptKeyword("AND"))
                FailExpression(ExprError::Plain);
            QString high = AsValue(Concatenation());
            const ValueType highType = m_type;
            if (m_literal)
                high = LiteralFor(leftType, *m_literal, high);
            const bool text
                = !IsNonText(leftType) && !IsNonText(lowType) && !IsNonText(highType) && leftType != ValueType::Null;
            left = u'(' + (text ? folded(left) : left)
                + (negated ? QStringLiteral(" NOT BETWEEN ") : QStringLiteral(" BETWEEN ")) + low
                + QStringLiteral(" AND ") + high + u')';
            logical();
        } else if (AcceptKeyword("IN")) {
            left = AsValue(left);
            const ValueType leftType = m_type;
            bool text = !IsNonText(leftType) && leftType != ValueType::Null;
            const QString list = InList(leftType, text);
            left = u'(' + (text ? folded(left) : left) + (negated ? QStringLiteral(" NOT IN ") : QStringLiteral(" IN "))
                + list + u')';
            logical();
        } else if (!negated && AcceptKeyword("IS")) {
            const bool isNot = AcceptKeyword("NOT");
            if (!AcceptKeyword("NULL"))
                FailExpression(ExprError::Plain);
            left = u'(' + left + (isNot ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL")) + u')';
            logical();
        } else {
            return left;
        }
    }
}

QString JetSqlParser::InList(ValueType leftType, bool& text)
{
    if (!AcceptSymbol("("))
        FailExpression(ExprError::Plain);
    if (AtKeyword("SELECT")) {
        QString sql = Subquery();
        if (!AcceptSymbol(")"))
            FailExpression(ExprError::MissingParen);
        return u'(' + sql + u')';
    }
    QStringList values;
    do {
        QString value = AsValue(Expression());
        if (IsNonText(m_type))
            text = false;
        if (m_literal)
            value = LiteralFor(leftType, *m_literal, value);
        values.append(value);
    } while (AcceptSymbol(","));
    if (!AcceptSymbol(")"))
        FailExpression(ExprError::MissingParen);
    return u'(' + values.join(QStringLiteral(", ")) + u')';
}

QString JetSqlParser::Concatenation()
{
    QString left = Additive();
    while (AcceptSymbol("&")) {
        // Jet's & reads one Null as an empty text; two give Null.
        left = AsValue(left);
        const QString right = AsValue(Additive());
        left = QStringLiteral("jet_concat(%1, %2)").arg(left, right);
        SetType(ValueType::Text);
    }
    return left;
}

QString JetSqlParser::Additive()
{
    QString left = Modulo();
    for (;;) {
        // jet_add and jet_subtract give + and - Jet's meaning on dates
        // (a date plus days is a date) and on text ("a" + "b" joins them).
        bool plus = true;
        if (AcceptSymbol("+"))
            plus = true;
        else if (AcceptSymbol("-"))
            plus = false;
        else
            return left;
        left = AsValue(left);
        const ValueType a = m_type;
        const QString right = AsValue(Modulo());
        const ValueType b = m_type;
        ValueType type = Wider(a, b);
        if (plus) {
            left = QStringLiteral("jet_add(%1, %2)").arg(left, right);
            if ((a == ValueType::Date && IsNumeric(b)) || (b == ValueType::Date && IsNumeric(a)))
                type = ValueType::Date;
            else if (a == ValueType::Text && b == ValueType::Text)
                type = ValueType::Text;
        } else {
            left = QStringLiteral("jet_subtract(%1, %2)").arg(left, right);
            if (a == ValueType::Date && b == ValueType::Date)
                type = ValueType::Double;
            else if (a == ValueType::Date && IsNumeric(b))
                type = ValueType::Date;
        }
        SetType(type);
    }
}

// Mod and \ work on whole numbers: the wider operand's whole type, Long
// for any other number.
JetSqlParser::ValueType JetSqlParser::Whole(ValueType type)
{
    if (!IsNumeric(type))
        return ValueType::Unknown;
    if (type == ValueType::Byte || type == ValueType::Integer || type == ValueType::Long)
        return type;
    return ValueType::Long;
}

QString JetSqlParser::Modulo()
{
    QString left = IntegerDivision();
    while (AcceptKeyword("MOD")) {
        left = AsValue(left);
        const ValueType a = m_type;
        left = Wrap(left, "%", AsValue(IntegerDivision()));
        const ValueType type = Wider(a, m_type);
        SetType(Whole(type));
    }
    return left;
}

QString JetSqlParser::IntegerDivision()
{
    QString left = Multiplicative();
    while (AcceptSymbol("\\")) {
        left = AsValue(left);
        const ValueType a = m_type;
        const QString right = AsValue(Multiplicative());
        const ValueType type = Wider(a, m_type);
        left = QStringLiteral("(CAST(ROUND(%1) AS INTEGER) / CAST(ROUND(%2) AS INTEGER))").arg(left, right);
        SetType(Whole(type));
    }
    return left;
}

QString JetSqlParser::Multiplicative()
{
    QString left = Unary();
    for (;;) {
        if (AcceptSymbol("*")) {
            left = AsValue(left);
            const ValueType a = m_type;
            left = Wrap(left, "*", AsValue(Unary()));
            SetType(Wider(a, m_type));
        } else if (AcceptSymbol("/")) {
            left = AsValue(left);
            const ValueType a = m_type;
            const QString right = AsValue(Unary());
            left = QStringLiteral("(CAST(%1 AS REAL) / %2)").arg(left, right);
            SetType(a == ValueType::Decimal || m_type == ValueType::Decimal ? ValueType::Decimal : ValueType::Double);
        } else {
            return left;
        }
    }
}

QString JetSqlParser::Unary()
{
    const NestingGuard guard(*this);
    if (AcceptSymbol("-")) {
        const QString sql = QStringLiteral("(- ") + AsValue(Unary()) + u')';
        const ValueType type = m_type == ValueType::Boolean ? ValueType::Integer : m_type;
        SetType(IsNumeric(type) || type == ValueType::Null ? type : ValueType::Unknown);
        return sql;
    }
    if (AcceptSymbol("+"))
        return Unary();
    return Power();
}

QString JetSqlParser::Power()
{
    QString left = Primary();
    while (AcceptSymbol("^")) {
        left = AsValue(left);
        QString right;
        if (AcceptSymbol("-"))
            right = QStringLiteral("(- ") + AsValue(Primary()) + u')';
        else {
            AcceptSymbol("+");
            right = AsValue(Primary());
        }
        left = QStringLiteral("jet_power(%1, %2)").arg(left, right);
        SetType(ValueType::Double);
    }
    return left;
}

QString JetSqlParser::Subquery()
{
    const std::size_t savedStart = m_exprStart;
    const bool savedAggregate = m_sawAggregate;
    SelectResult inner = FullSelect();
    m_exprStart = savedStart;
    m_sawAggregate = savedAggregate;
    SetType(ValueType::Unknown);
    return inner.sql;
}

QString JetSqlParser::Primary()
{
    const Token& t = Peek();
    switch (t.kind) {
    case Token::Number: {
        Next();
        bool whole = false;
        const qlonglong n = t.text.toLongLong(&whole);
        SetType(whole && n >= INT32_MIN && n <= INT32_MAX ? ValueType::Long : ValueType::Double);
        return t.text;
    }
    case Token::String:
        Next();
        SetType(ValueType::Text);
        m_literal = t.text;
        return SqlString(t.text);
    case Token::Date:
        Next();
        SetType(ValueType::Date);
        return SqlString(t.text);
    case Token::Parameter:
        Next();
        ++m_markers;
        SetType(ValueType::Unknown);
        return QStringLiteral("?");
    case Token::BadString:
        FailExpression(ExprError::String);
    case Token::BadDate:
        FailExpression(ExprError::Date);
    case Token::BadName:
        FailAt(t, QString());
    case Token::Symbol:
        if (t.text == QLatin1String("(")) {
            Next();
            QString sql;
            if (AtKeyword("SELECT"))
                sql = Subquery();
            else
                sql = Expression(); // keeps the inner expression's type
            if (!AcceptSymbol(")"))
                FailExpression(ExprError::MissingParen);
            return u'(' + sql + u')';
        }
        FailExpression(ExprError::Plain);
    case Token::Word:
        if (t.IsKeyword("NULL")) {
            Next();
            SetType(ValueType::Null);
            return QStringLiteral("NULL");
        }
        // Jet's True is -1, as in VBA.
        if (t.IsKeyword("TRUE") || t.IsKeyword("YES")) {
            Next();
            SetType(ValueType::Long);
            return QStringLiteral("-1");
        }
        if (t.IsKeyword("FALSE") || t.IsKeyword("NO")) {
            Next();
            SetType(ValueType::Long);
            return QStringLiteral("0");
        }
        if (t.IsKeyword("EXISTS")) {
            Next();
            if (!AcceptSymbol("(") || !AtKeyword("SELECT"))
                FailExpression(ExprError::Plain);
            const QString sql = Subquery();
            if (!AcceptSymbol(")"))
                FailExpression(ExprError::MissingParen);
            SetType(ValueType::Long);
            m_logical = true;
            return QStringLiteral("EXISTS (") + sql + u')';
        }
        if (AtSymbol("(", 1) && FindFunction(t.text) != nullptr)
            return FunctionCall();
        if (IsReserved(t))
            FailExpression(ExprError::Plain);
        if (AtSymbol("(", 1))
            return FunctionCall();
        return ColumnReference();
    case Token::Name:
        return ColumnReference();
    case Token::End:
        FailExpression(ExprError::Plain);
    }
    FailExpression(ExprError::Plain);
}

QString JetSqlParser::ColumnReference()
{
    const std::size_t start = m_pos;
    const Token& first = Next();
    QStringList parts { first.text };
    // Jet names a field alone or with its table ("Words.Word", "Words!Word").
    if ((AtSymbol(".") || AtSymbol("!")) && Peek(1).IsName()) {
        Next();
        parts.append(Next().text);
        if (AtSymbol(".") || AtSymbol("!"))
            FailExpression(ExprError::Plain);
    }
    if (parts.size() == 1) {
        const auto found = m_parameters.constFind(first.text.toCaseFolded());
        if (found != m_parameters.constEnd()) {
            SetType(ValueType::Unknown);
            return u'?' + QString::number(found.value());
        }
    }
    QStringList quoted;
    for (const QString& part : parts)
        quoted.append(QuoteIdentifier(part));
    const QString sql = quoted.join(u'.');
    m_bareColumn = sql;
    m_bareColumnName = parts.last();
    m_bareColumnStart = start;
    m_bareColumnEnd = m_pos;
    SetType(TypeOfColumn(parts));
    // A Yes/No field holds 0 or, for Yes, -1 as Jet writes it or 1 as
    // other tools do; in an expression it is always Jet's -1.
    if (m_type == ValueType::Boolean)
        return QStringLiteral("(- (") + sql + QStringLiteral(" <> 0))");
    return sql;
}

namespace {

// What Jet's function gives, by the SQLite function it becomes (and Jet's
// name where two share one); Unknown where it depends on the arguments.
enum class Gives { Date, Integer, Long, Single, Double, Text, FirstArgument, Unknown };

Gives ResultOf(const char* jet, const char* sqlite)
{
    static const struct {
        const char* name;
        Gives gives;
    } kResults[] = {
        { "jet_now", Gives::Date },
        { "jet_date", Gives::Date },
        { "jet_time", Gives::Date },
        { "jet_dateadd", Gives::Date },
        { "jet_dateserial", Gives::Date },
        { "jet_timeserial", Gives::Date },
        { "jet_datevalue", Gives::Date },
        { "jet_timevalue", Gives::Date },
        { "jet_cdate", Gives::Date },
        { "jet_year", Gives::Integer },
        { "jet_month", Gives::Integer },
        { "jet_day", Gives::Integer },
        { "jet_hour", Gives::Integer },
        { "jet_minute", Gives::Integer },
        { "jet_second", Gives::Integer },
        { "jet_weekday", Gives::Integer },
        { "jet_datepart", Gives::Integer },
        { "jet_sgn", Gives::Integer },
        { "unicode", Gives::Integer },
        { "jet_datediff", Gives::Long },
        { "length", Gives::Long },
        { "jet_instr", Gives::Long },
        { "count", Gives::Long },
        { "jet_sqr", Gives::Double },
        { "jet_val", Gives::Double },
        { "avg", Gives::Double },
        { "jet_stdev", Gives::Double },
        { "jet_stdevp", Gives::Double },
        { "jet_var", Gives::Double },
        { "jet_varp", Gives::Double },
        { "substr", Gives::Text },
        { "jet_right", Gives::Text },
        { "jet_ucase", Gives::Text },
        { "jet_lcase", Gives::Text },
        { "trim", Gives::Text },
        { "ltrim", Gives::Text },
        { "rtrim", Gives::Text },
        { "replace", Gives::Text },
        { "jet_space", Gives::Text },
        { "char", Gives::Text },
        { "jet_cstr", Gives::Text },
        { "jet_int", Gives::FirstArgument },
        { "jet_fix", Gives::FirstArgument },
        { "abs", Gives::FirstArgument },
        { "jet_round", Gives::FirstArgument },
        { "min", Gives::FirstArgument },
        { "max", Gives::FirstArgument },
        { "jet_first", Gives::FirstArgument },
        { "jet_last", Gives::FirstArgument },
    };
    // CInt and CLng, CSng and CDbl share a function but not a type.
    if (std::strcmp(jet, "CInt") == 0)
        return Gives::Integer;
    if (std::strcmp(jet, "CLng") == 0)
        return Gives::Long;
    if (std::strcmp(jet, "CSng") == 0)
        return Gives::Single;
    if (std::strcmp(jet, "CDbl") == 0)
        return Gives::Double;
    for (const auto& entry : kResults) {
        if (std::strcmp(sqlite, entry.name) == 0)
            return entry.gives;
    }
    return Gives::Unknown;
}

} // namespace

QString JetSqlParser::FunctionCall()
{
    const Token& nameToken = Next();
    const QString name = nameToken.text;
    Next(); // (
    const FunctionInfo* f = FindFunction(name);
    if (f == nullptr)
        Fail(QStringLiteral("Undefined function '%1' in expression.").arg(name));
    QStringList args;
    std::vector<ValueType> types;
    if (f->kind == FunctionKind::Count && AtSymbol("*") && AtSymbol(")", 1)) {
        Next();
        args.append(QStringLiteral("*"));
        types.push_back(ValueType::Unknown);
    } else if (!AtSymbol(")")) {
        do {
            QString arg = Expression();
            // IIf's condition stays a truth; every other argument is a value.
            if (!(f->kind == FunctionKind::IIf && args.isEmpty()))
                arg = AsValue(arg);
            args.append(arg);
            types.push_back(m_type);
        } while (AcceptSymbol(","));
    }
    if (!AcceptSymbol(")"))
        FailExpression(ExprError::MissingParen);
    if (args.size() < f->minArgs || args.size() > f->maxArgs)
        FailExpression(ExprError::WrongArguments);

    ValueType type = ValueType::Unknown;
    switch (ResultOf(f->jet, f->sqlite)) {
    case Gives::Date:
        type = ValueType::Date;
        break;
    case Gives::Integer:
        type = ValueType::Integer;
        break;
    case Gives::Long:
        type = ValueType::Long;
        break;
    case Gives::Single:
        type = ValueType::Single;
        break;
    case Gives::Double:
        type = ValueType::Double;
        break;
    case Gives::Text:
        type = ValueType::Text;
        break;
    case Gives::FirstArgument:
        type = types.empty() ? ValueType::Unknown : types.front();
        break;
    case Gives::Unknown:
        break;
    }
    QString sql;
    switch (f->kind) {
    case FunctionKind::Plain:
        sql = QString::fromLatin1(f->sqlite) + u'(' + args.join(QStringLiteral(", ")) + u')';
        break;
    case FunctionKind::Clock:
        // The constant argument lets SQLite keep the first reading for the
        // rest of the statement's run (sqlite3_set_auxdata), so that every
        // row sees the same time, as Jet reads Now() once per query.
        sql = QString::fromLatin1(f->sqlite) + QStringLiteral("(0)");
        break;
    case FunctionKind::Aggregate:
    case FunctionKind::Count:
        m_sawAggregate = true;
        sql = QString::fromLatin1(f->sqlite) + u'(' + args.join(QStringLiteral(", ")) + u')';
        if (QLatin1String(f->sqlite) == QLatin1String("sum") && IsNumeric(types.front()))
            type = Wider(types.front(), ValueType::Long);
        break;
    case FunctionKind::IIf:
        sql = QStringLiteral("(CASE WHEN %1 THEN %2 ELSE %3 END)").arg(args[0], args[1], args[2]);
        type = Either(types[1], types[2]);
        break;
    case FunctionKind::Nz:
        sql = QStringLiteral("IFNULL(%1, %2)").arg(args[0], args.size() > 1 ? args[1] : QStringLiteral("''"));
        type = args.size() > 1 ? Either(types[0], types[1]) : types[0];
        break;
    case FunctionKind::IsNull:
        sql = QStringLiteral("(%1 IS NULL)").arg(args[0]);
        SetType(ValueType::Long);
        m_logical = true;
        return sql;
    case FunctionKind::Left:
        sql = QStringLiteral("substr(%1, 1, %2)").arg(args[0], args[1]);
        break;
    case FunctionKind::Mid:
        sql = QStringLiteral("substr(") + args.join(QStringLiteral(", ")) + u')';
        break;
    case FunctionKind::Trim:
        // VBA trims spaces only, not tabs or line breaks.
        sql = QString::fromLatin1(f->sqlite) + u'(' + args[0] + QStringLiteral(", ' ')");
        break;
    }
    SetType(type);
    return sql;
}

} // namespace engine::jetsql
