// Private to the engine: the recursive-descent reader of Jet SQL behind
// jetsql::Translate. It reads one statement from the tokens and writes
// SQLite's text as it goes, so that every construct is translated where the
// grammar recognises it: operators get Jet's precedence by explicit
// parentheses, functions are checked against Jet's list, and a syntax error
// is reported with the clause or expression Jet would name.
#pragma once

#include "engine/jetsql/JetSql.h"
#include "engine/jetsql/JetTokenizer.h"

#include <QHash>
#include <QString>
#include <optional>
#include <vector>

struct sqlite3;

namespace engine::jetsql {

class JetSqlParser {
public:
    // parameterNames: names that stand for parameters in the statement (a
    // saved query's), translated to ?1, ?2, ... in this order. schema, when
    // given, is the connection whose tables the statement names: the types of
    // their columns decide how comparisons are made and what type a computed
    // column has.
    JetSqlParser(const QString& text, const QStringList& parameterNames = {}, sqlite3* schema = nullptr);

    Translation Statement();

private:
    // What an expression's value is, as far as the text and the schema tell:
    // Jet's types, and Unknown where only the value could say (a parameter,
    // a column of no known table).
    enum class ValueType {
        Unknown,
        Null,
        Boolean,
        Byte,
        Integer,
        Long,
        Single,
        Double,
        Currency,
        Decimal,
        Date,
        Text,
        Binary
    };
    // A table of a FROM clause, by which its columns are found.
    struct TableInScope {
        QString table;
        QString alias;
    };

    // One SELECT ... [UNION ...] [ORDER BY ...] as written.
    struct SelectResult {
        QString sql;
        bool singleTable = false;
        QString baseTable;
        QString baseAlias;
        QString selectList;
        QList<long> itemTypes; // see Translation::itemTypes
    };
    // One SELECT without UNION and ORDER BY.
    struct SelectCore {
        QString body;
        QString tail; // body after the select list: FROM ... WHERE ... GROUP BY ... HAVING ...
        bool distinct = false;
        bool markers = false; // holds '?' markers, which bind by position
        QList<long> itemTypes; // see Translation::itemTypes
        QString top; // the n of TOP n, empty when absent
        bool topPercent = false;
        bool singleTable = false;
        QString baseTable;
        QString baseAlias;
        QString selectList;
        std::vector<TableInScope> scope; // the tables of its FROM clause, by which ORDER BY reads too
    };
    // How a syntax error inside an expression is worded.
    enum class ExprError { Plain, MissingOperator, MissingParen, String, Date, WrongArguments };

    // Token access.
    const Token& Peek(std::size_t ahead = 0) const;
    const Token& Next();
    bool AtKeyword(const char* keyword, std::size_t ahead = 0) const;
    bool AtSymbol(const char* symbol, std::size_t ahead = 0) const;
    bool AcceptKeyword(const char* keyword);
    bool AcceptSymbol(const char* symbol);
    bool AtStatementEnd() const;
    bool IsReserved(const Token& token) const;
    bool IsOperandStart(const Token& token) const;

    // Errors.
    [[noreturn]] void Fail(const QString& description) const;
    [[noreturn]] void FailExpression(ExprError kind) const;
    [[noreturn]] void FailAt(const Token& token, const QString& statementMessage) const;
    QString ExpressionTextFrom(std::size_t start) const;
    void ExpectEndOfStatement();

    // Statements.
    Translation Select();
    SelectResult FullSelect();
    SelectCore CoreSelect();
    QString FromClause(SelectCore& core);
    QString TableReference(int& tables, QString& baseTable, QString& baseAlias, bool& plain);
    QString TablePrimary(int& tables, QString& baseTable, QString& baseAlias, bool& plain);
    QString OrderByClause();
    Translation Insert();
    Translation Update();
    Translation Delete();
    Translation Create();
    Translation CreateTable();
    QString ColumnDefinition(bool inAlter, QStringList& primaryKeyColumns, int& counters, QString& counterColumn);
    QString TableConstraint(QStringList& primaryKeyColumns, QString& primaryKeyConstraint);
    QString DefaultValue();
    QString NameList(const char* statementMessage);
    Translation CreateIndex(bool unique);
    Translation CreateProcedure();
    Translation CreateView();
    Translation Drop();
    Translation Alter();
    Translation Execute();
    Translation Parameters();
    Translation Body(const QString& message);

    // Names.
    QString ObjectName(const char* statementMessage);
    QString ColumnNameOnly(const char* statementMessage);
    QString JetTypeText(const char* statementMessage);

    // Expressions, lowest precedence first.
    QString ClauseExpression(bool asValue = false);
    QString Expression();
    QString OrExpression();
    QString AndExpression();
    QString NotExpression();
    QString Comparison();
    QString Concatenation();
    QString Additive();
    QString Modulo();
    QString IntegerDivision();
    QString Multiplicative();
    QString Unary();
    QString Power();
    QString Primary();
    QString FunctionCall();
    QString ColumnReference();
    QString Subquery();
    QString InList(ValueType leftType, bool& text);

    // Types.
    QString AsValue(const QString& sql);
    void SetType(ValueType type);
    static bool IsNumeric(ValueType type);
    static bool IsNonText(ValueType type);
    static ValueType Wider(ValueType a, ValueType b);
    static ValueType Either(ValueType a, ValueType b);
    static ValueType Whole(ValueType type);
    static long AdoTypeOf(ValueType type);
    static ValueType ValueTypeOfAdo(long adoType);
    ValueType TypeOfColumn(const QStringList& parts) const;
    std::vector<TableInScope> ScanFromClause() const;
    QString Compare(const QString& left, ValueType leftType, const std::optional<QString>& leftLiteral, const char* op,
        QString right, ValueType rightType, const std::optional<QString>& rightLiteral);
    QString LiteralFor(ValueType other, const QString& literal, const QString& sql) const;
    // Counts the rules entered within one another, so that a text nested
    // past any real query fails ("Query is too complex.", as Jet says)
    // instead of exhausting the stack.
    class NestingGuard {
    public:
        explicit NestingGuard(JetSqlParser& parser);
        ~NestingGuard();
        NestingGuard(const NestingGuard&) = delete;
        NestingGuard& operator=(const NestingGuard&) = delete;

    private:
        JetSqlParser& m_parser;
    };
    static constexpr int kMaxNesting = 300;

    QString m_text;
    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    // Parameter names of a saved query, case-folded, with their 1-based number.
    QHash<QString, int> m_parameters;
    QStringList m_parameterNames;
    QStringList m_parameterTypes;
    int m_markers = 0; // '?' written
    bool m_sawAggregate = false; // in the SELECT being read
    std::size_t m_exprStart = 0; // first token of the expression being read, for messages
    int m_nesting = 0; // NestingGuards alive

    sqlite3* m_schema = nullptr;
    std::vector<std::vector<TableInScope>> m_scopes; // innermost SELECT last
    // Of the expression last read: its type; whether its SQL gives SQLite's
    // 1/0 truth (a comparison), which becomes Jet's -1/0 where it is used as
    // a value; and its text when it is one string literal.
    ValueType m_type = ValueType::Unknown;
    bool m_logical = false;
    std::optional<QString> m_literal;
    QString m_orderKeys; // the keys of the last ORDER BY read, for TOP's ties
    // The last column reference read, as written and where it stood, so
    // that a select item that is that column alone can stay the column.
    QString m_bareColumn;
    std::size_t m_bareColumnStart = 0;
    std::size_t m_bareColumnEnd = 0;
    QString m_bareColumnName; // its last part, unquoted: the name SQLite gives the result column
};

} // namespace engine::jetsql
