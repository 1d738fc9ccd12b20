// The recursive-descent reader of Jet SQL. Each rule reads its part of the
// statement and returns SQLite's text for it. Binary operators come back
// wrapped in parentheses because Jet's precedence is not SQLite's (Jet
// concatenates after adding, SQLite before multiplying), and '/' divides as
// reals because Jet never divides integers as integers.
#include "engine/jetsql/JetSqlParser.h"

#include "engine/jetsql/JetSqlTypes.h"
#include "platform/ComError.h"

#include <cstring>

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

JetSqlParser::JetSqlParser(const QString& text, const QStringList& parameterNames)
    : m_text(UpToNul(text))
    , m_tokens(Tokenize(m_text))
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
    if (AtKeyword("ORDER"))
        orderBy = OrderByClause();

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
        result.sql = core.body + orderBy + limitOf(core);
        result.singleTable = core.singleTable;
        result.baseTable = core.baseTable;
        result.baseAlias = core.baseAlias;
        result.selectList = core.selectList;
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

    // The select list.
    QStringList items;
    bool allColumns = false;
    for (;;) {
        if (AcceptSymbol("*")) {
            allColumns = true;
            items.append(QStringLiteral("*"));
        } else if (Peek().IsName() && !IsReserved(Peek()) && (AtSymbol(".", 1) || AtSymbol("!", 1))
            && AtSymbol("*", 2)) {
            items.append(QuoteIdentifier(Next().text) + QStringLiteral(".*"));
            Next();
            Next();
        } else {
            m_exprStart = m_pos;
            if (!IsOperandStart(Peek()) && !AtSymbol("-") && !AtSymbol("+")) {
                if (Peek().kind == Token::BadName)
                    FailAt(Peek(), QString());
                Fail(selectError);
            }
            QString item = Expression();
            if (AcceptKeyword("AS")) {
                const Token& alias = Next();
                if (!alias.IsName() || IsReserved(alias))
                    FailAt(alias, selectError);
                item += QStringLiteral(" AS ") + QuoteIdentifier(alias.text);
            } else if (IsOperandStart(Peek()) && !AtSymbol("(")) {
                FailExpression(ExprError::MissingOperator);
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
            groups.append(ClauseExpression());
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
    m_sawAggregate = outerAggregate;
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
        QString item = ClauseExpression();
        if (AcceptKeyword("DESC"))
            item += QStringLiteral(" DESC");
        else if (AcceptKeyword("ASC"))
            item += QStringLiteral(" ASC");
        items.append(item);
    } while (AcceptSymbol(","));
    if (!AtStatementEnd() && !AtSymbol(")"))
        Fail(QStringLiteral("Syntax error in ORDER BY clause."));
    return QStringLiteral(" ORDER BY ") + items.join(QStringLiteral(", "));
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
            values.append(ClauseExpression());
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
    QStringList assignments;
    do {
        // SQLite takes no table name before a column in SET.
        const QString column = ColumnNameOnly("Syntax error in UPDATE statement.");
        if (!AcceptSymbol("="))
            Fail(error);
        if (!IsOperandStart(Peek()) && !AtSymbol("-") && !AtSymbol("+"))
            Fail(error);
        assignments.append(QuoteIdentifier(column) + QStringLiteral(" = ") + ClauseExpression());
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
            return QStringLiteral("1");
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

QString JetSqlParser::ClauseExpression()
{
    m_exprStart = m_pos;
    if (!IsOperandStart(Peek()) && !AtSymbol("-") && !AtSymbol("+")) {
        if (Peek().kind == Token::BadName)
            FailAt(Peek(), QString());
        FailExpression(ExprError::Plain);
    }
    QString sql = Expression();
    // Another operand, or a mark that is no operator here ("!=", "@"),
    // straight after a complete expression: Jet's "missing operator".
    const Token& after = Peek();
    if (IsOperandStart(after)
        || (after.kind == Token::Symbol && !after.IsSymbol(",") && !after.IsSymbol(")") && !after.IsSymbol(";")))
        FailExpression(ExprError::MissingOperator);
    return sql;
}

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
    }
}

QString JetSqlParser::AndExpression()
{
    QString left = NotExpression();
    while (AcceptKeyword("AND"))
        left = Wrap(left, "AND", NotExpression());
    return left;
}

QString JetSqlParser::NotExpression()
{
    const NestingGuard guard(*this);
    if (AcceptKeyword("NOT"))
        return QStringLiteral("(NOT ") + NotExpression() + u')';
    return Comparison();
}

QString JetSqlParser::Comparison()
{
    QString left = Concatenation();
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
            left = Wrap(left, op, Concatenation());
            continue;
        }
        bool negated = false;
        if (t.IsKeyword("NOT") && (AtKeyword("LIKE", 1) || AtKeyword("BETWEEN", 1) || AtKeyword("IN", 1))) {
            Next();
            negated = true;
        }
        if (AcceptKeyword("LIKE")) {
            const bool literalPattern = Peek().kind == Token::String;
            const bool bracketFree = literalPattern && !Peek().text.contains(u'[');
            const QString pattern = Concatenation();
            // SQLite's LIKE knows % and _ but not Jet's [list]; patterns that
            // may hold one go to jet_like.
            if (bracketFree)
                left = Wrap(left, negated ? "NOT LIKE" : "LIKE", pattern);
            else
                left = QStringLiteral("(%1jet_like(%2, %3))")
                           .arg(negated ? QStringLiteral("NOT ") : QString(), left, pattern);
        } else if (AcceptKeyword("BETWEEN")) {
            const QString low = Concatenation();
            if (!AcceptKeyword("AND"))
                FailExpression(ExprError::Plain);
            const QString high = Concatenation();
            left = u'(' + left + (negated ? QStringLiteral(" NOT BETWEEN ") : QStringLiteral(" BETWEEN ")) + low
                + QStringLiteral(" AND ") + high + u')';
        } else if (AcceptKeyword("IN")) {
            left = u'(' + left + (negated ? QStringLiteral(" NOT IN ") : QStringLiteral(" IN ")) + InList() + u')';
        } else if (!negated && AcceptKeyword("IS")) {
            const bool isNot = AcceptKeyword("NOT");
            if (!AcceptKeyword("NULL"))
                FailExpression(ExprError::Plain);
            left = u'(' + left + (isNot ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL")) + u')';
        } else {
            return left;
        }
    }
}

QString JetSqlParser::InList()
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
        values.append(Expression());
    } while (AcceptSymbol(","));
    if (!AcceptSymbol(")"))
        FailExpression(ExprError::MissingParen);
    return u'(' + values.join(QStringLiteral(", ")) + u')';
}

QString JetSqlParser::Concatenation()
{
    QString left = Additive();
    while (AcceptSymbol("&")) {
        // Jet's & reads Null as an empty text.
        const QString right = Additive();
        left = QStringLiteral("(IFNULL(%1, '') || IFNULL(%2, ''))").arg(left, right);
    }
    return left;
}

QString JetSqlParser::Additive()
{
    QString left = Modulo();
    for (;;) {
        // jet_add and jet_subtract give + and - Jet's meaning on dates
        // (a date plus days is a date) and on text ("a" + "b" joins them).
        if (AcceptSymbol("+"))
            left = QStringLiteral("jet_add(%1, %2)").arg(left, Modulo());
        else if (AcceptSymbol("-"))
            left = QStringLiteral("jet_subtract(%1, %2)").arg(left, Modulo());
        else
            return left;
    }
}

QString JetSqlParser::Modulo()
{
    QString left = IntegerDivision();
    while (AcceptKeyword("MOD"))
        left = Wrap(left, "%", IntegerDivision());
    return left;
}

QString JetSqlParser::IntegerDivision()
{
    QString left = Multiplicative();
    while (AcceptSymbol("\\")) {
        const QString right = Multiplicative();
        left = QStringLiteral("(CAST(ROUND(%1) AS INTEGER) / CAST(ROUND(%2) AS INTEGER))").arg(left, right);
    }
    return left;
}

QString JetSqlParser::Multiplicative()
{
    QString left = Unary();
    for (;;) {
        if (AcceptSymbol("*")) {
            left = Wrap(left, "*", Unary());
        } else if (AcceptSymbol("/")) {
            const QString right = Unary();
            left = QStringLiteral("(CAST(%1 AS REAL) / %2)").arg(left, right);
        } else {
            return left;
        }
    }
}

QString JetSqlParser::Unary()
{
    const NestingGuard guard(*this);
    if (AcceptSymbol("-"))
        return QStringLiteral("(- ") + Unary() + u')';
    if (AcceptSymbol("+"))
        return Unary();
    return Power();
}

QString JetSqlParser::Power()
{
    QString left = Primary();
    while (AcceptSymbol("^")) {
        QString right;
        if (AcceptSymbol("-"))
            right = QStringLiteral("(- ") + Primary() + u')';
        else {
            AcceptSymbol("+");
            right = Primary();
        }
        left = QStringLiteral("jet_power(%1, %2)").arg(left, right);
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
    return inner.sql;
}

QString JetSqlParser::Primary()
{
    const Token& t = Peek();
    switch (t.kind) {
    case Token::Number:
        Next();
        return t.text;
    case Token::String:
        Next();
        return SqlString(t.text);
    case Token::Date:
        Next();
        return SqlString(t.text);
    case Token::Parameter:
        Next();
        ++m_markers;
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
                sql = Expression();
            if (!AcceptSymbol(")"))
                FailExpression(ExprError::MissingParen);
            return u'(' + sql + u')';
        }
        FailExpression(ExprError::Plain);
    case Token::Word:
        if (t.IsKeyword("NULL")) {
            Next();
            return QStringLiteral("NULL");
        }
        if (t.IsKeyword("TRUE") || t.IsKeyword("YES")) {
            Next();
            return QStringLiteral("1");
        }
        if (t.IsKeyword("FALSE") || t.IsKeyword("NO")) {
            Next();
            return QStringLiteral("0");
        }
        if (t.IsKeyword("EXISTS")) {
            Next();
            if (!AcceptSymbol("(") || !AtKeyword("SELECT"))
                FailExpression(ExprError::Plain);
            const QString sql = Subquery();
            if (!AcceptSymbol(")"))
                FailExpression(ExprError::MissingParen);
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
        if (found != m_parameters.constEnd())
            return u'?' + QString::number(found.value());
    }
    QStringList quoted;
    for (const QString& part : parts)
        quoted.append(QuoteIdentifier(part));
    return quoted.join(u'.');
}

QString JetSqlParser::FunctionCall()
{
    const Token& nameToken = Next();
    const QString name = nameToken.text;
    Next(); // (
    const FunctionInfo* f = FindFunction(name);
    if (f == nullptr)
        Fail(QStringLiteral("Undefined function '%1' in expression.").arg(name));
    QStringList args;
    if (f->kind == FunctionKind::Count && AtSymbol("*") && AtSymbol(")", 1)) {
        Next();
        args.append(QStringLiteral("*"));
    } else if (!AtSymbol(")")) {
        do {
            args.append(Expression());
        } while (AcceptSymbol(","));
    }
    if (!AcceptSymbol(")"))
        FailExpression(ExprError::MissingParen);
    if (args.size() < f->minArgs || args.size() > f->maxArgs)
        FailExpression(ExprError::WrongArguments);
    switch (f->kind) {
    case FunctionKind::Plain:
        return QString::fromLatin1(f->sqlite) + u'(' + args.join(QStringLiteral(", ")) + u')';
    case FunctionKind::Clock:
        // The constant argument lets SQLite keep the first reading for the
        // rest of the statement's run (sqlite3_set_auxdata), so that every
        // row sees the same time, as Jet reads Now() once per query.
        return QString::fromLatin1(f->sqlite) + QStringLiteral("(0)");
    case FunctionKind::Aggregate:
    case FunctionKind::Count:
        m_sawAggregate = true;
        return QString::fromLatin1(f->sqlite) + u'(' + args.join(QStringLiteral(", ")) + u')';
    case FunctionKind::IIf:
        return QStringLiteral("(CASE WHEN %1 THEN %2 ELSE %3 END)").arg(args[0], args[1], args[2]);
    case FunctionKind::Nz:
        return QStringLiteral("IFNULL(%1, %2)").arg(args[0], args.size() > 1 ? args[1] : QStringLiteral("''"));
    case FunctionKind::IsNull:
        return QStringLiteral("(%1 IS NULL)").arg(args[0]);
    case FunctionKind::Left:
        return QStringLiteral("substr(%1, 1, %2)").arg(args[0], args[1]);
    case FunctionKind::Mid:
        return QStringLiteral("substr(") + args.join(QStringLiteral(", ")) + u')';
    case FunctionKind::Trim:
        // VBA trims spaces only, not tabs or line breaks.
        return QString::fromLatin1(f->sqlite) + u'(' + args[0] + QStringLiteral(", ' ')");
    }
    return QString();
}

} // namespace engine::jetsql
