// ADO's criteria texts for Recordset.Find and Recordset.Filter, read into a
// tree of predicates that a recordset tests row by row. Each comparison
// takes its meaning from the field's value: a number compares as a number,
// a date as a date, text without regard to case; a value that cannot be
// read in the field's terms simply does not match. AND binds tighter than
// OR, and parentheses group freely (a superset of what ADO accepts).
#include "engine/jetsql/Criteria.h"

#include "engine/jetsql/JetFunctions.h"
#include "platform/ComError.h"
#include "platform/HResult.h"

#include <cmath>
#include <vector>

namespace engine::criteria {

namespace {

using platform::Variant;

[[noreturn]] void Invalid()
{
    throw platform::ComError(platform::adErrInvalidArgument,
        QStringLiteral("Arguments are of the wrong type, are out of acceptable range, or are in "
                       "conflict with one another."),
        QStringLiteral("ADODB.Recordset"));
}

// ---------------------------------------------------------------------------
// Values

struct Literal {
    enum Kind { Null, Number, Text, Date };
    Kind kind = Null;
    double number = 0; // Number; Date as an OLE date
    std::int64_t seconds = 0; // Date, on a line (LinearSeconds)
    QString text; // Text; the written form of a Number or Date
};

bool ParseNumberText(QString text, double& out)
{
    text = text.trimmed();
    bool negative = false;
    if (text.startsWith(u'-') || text.startsWith(u'+')) {
        negative = text.startsWith(u'-');
        text = text.mid(1).trimmed();
    }
    if (text.startsWith(u'$'))
        text = text.mid(1);
    if (text.isEmpty() || !(text[0].isDigit() || text[0] == u'.'))
        return false;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    out = negative ? -v : v;
    return true;
}

bool ParseDateText(const QString& text, std::int64_t& seconds, double& ole)
{
    const QByteArray utf8 = text.toUtf8();
    jetsql::dates::CivilDateTime d;
    if (!jetsql::dates::ParseDateText(utf8.constData(), static_cast<std::size_t>(utf8.size()), d))
        return false;
    seconds = jetsql::dates::LinearSeconds(d);
    ole = jetsql::dates::ToOleDate(d);
    return true;
}

bool OleToSeconds(double ole, std::int64_t& seconds)
{
    jetsql::dates::CivilDateTime d;
    if (!jetsql::dates::FromOleDate(ole, d))
        return false;
    seconds = jetsql::dates::LinearSeconds(d);
    return true;
}

// The whole 96-bit value: criteria compare decimals exactly as far as a
// double allows, unlike the access layer's low-32-bit reading.
double FullDecimalValue(const platform::DECIMAL& d)
{
    const double mantissa = static_cast<double>(d.Hi32) * 18446744073709551616.0 + static_cast<double>(d.Lo64);
    const double value = mantissa / std::pow(10.0, d.scale);
    return (d.sign & 0x80) != 0 ? -value : value;
}

// A field's value as a number, when it is one (or is text that reads as one).
bool FieldNumber(const Variant& v, double& out)
{
    switch (v.vt()) {
    case platform::VT_I1:
        out = v.cVal();
        return true;
    case platform::VT_I2:
        out = v.iVal();
        return true;
    case platform::VT_I4:
    case platform::VT_INT:
        out = v.lVal();
        return true;
    case platform::VT_I8:
        out = static_cast<double>(v.llVal());
        return true;
    case platform::VT_UI1:
        out = v.bVal();
        return true;
    case platform::VT_UI2:
        out = v.uiVal();
        return true;
    case platform::VT_UI4:
    case platform::VT_UINT:
        out = v.ulVal();
        return true;
    case platform::VT_UI8:
        out = static_cast<double>(v.ullVal());
        return true;
    case platform::VT_R4:
        out = v.fltVal();
        return true;
    case platform::VT_R8:
    case platform::VT_DATE:
        out = v.dblVal();
        return true;
    case platform::VT_CY:
        out = static_cast<double>(v.cyVal()) / 10000.0;
        return true;
    case platform::VT_DECIMAL:
        out = FullDecimalValue(v.decVal());
        return true;
    case platform::VT_BOOL:
        out = v.boolVal() != 0 ? -1 : 0;
        return true;
    case platform::VT_BSTR:
        return ParseNumberText(v.bstrVal(), out);
    default:
        return false;
    }
}

// A field's value as text, for text comparisons and LIKE.
bool FieldText(const Variant& v, QString& out)
{
    switch (v.vt()) {
    case platform::VT_BSTR:
        out = v.bstrVal();
        return true;
    case platform::VT_DATE: {
        jetsql::dates::CivilDateTime d;
        if (!jetsql::dates::FromOleDate(v.dblVal(), d))
            return false;
        char buffer[jetsql::dates::kStoredLength + 1];
        jetsql::dates::FormatStored(d, buffer);
        out = QString::fromLatin1(buffer);
        return true;
    }
    case platform::VT_BOOL:
        out = v.boolVal() != 0 ? QStringLiteral("True") : QStringLiteral("False");
        return true;
    default: {
        double n = 0;
        if (!FieldNumber(v, n))
            return false;
        out = QString::number(n, 'g', 15);
        return true;
    }
    }
}

bool IsNullish(const Variant& v)
{
    return v.vt() == platform::VT_NULL || v.vt() == platform::VT_EMPTY;
}

// ---------------------------------------------------------------------------
// Comparisons

enum class Op { Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual, Like };

bool Holds(Op op, int order)
{
    switch (op) {
    case Op::Equal:
        return order == 0;
    case Op::NotEqual:
        return order != 0;
    case Op::Less:
        return order < 0;
    case Op::Greater:
        return order > 0;
    case Op::LessEqual:
        return order <= 0;
    case Op::GreaterEqual:
        return order >= 0;
    case Op::Like:
        return false;
    }
    return false;
}

template <typename T> int Order(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// LIKE with * or % for any run of characters, without regard to case.
bool MatchesPattern(const QString& text, const QString& pattern)
{
    qsizetype t = 0;
    qsizetype p = 0;
    qsizetype starP = -1;
    qsizetype starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == u'*' || pattern[p] == u'%')) {
            starP = p++;
            starT = t;
            continue;
        }
        if (p < pattern.size() && QChar(pattern[p]).toCaseFolded() == QChar(text[t]).toCaseFolded()) {
            ++p;
            ++t;
            continue;
        }
        if (starP < 0)
            return false;
        p = starP + 1;
        t = ++starT;
    }
    while (p < pattern.size() && (pattern[p] == u'*' || pattern[p] == u'%'))
        ++p;
    return p == pattern.size();
}

class Comparison : public Predicate {
public:
    Comparison(QString field, Op op, Literal value)
        : m_field(std::move(field))
        , m_op(op)
        , m_value(std::move(value))
    {
    }

    bool Matches(const std::function<Variant(const QString& field)>& valueOf) const override
    {
        const Variant v = valueOf(m_field);
        if (m_value.kind == Literal::Null)
            return (m_op == Op::Equal) == IsNullish(v);
        if (IsNullish(v))
            return false;
        if (m_op == Op::Like) {
            QString text;
            return FieldText(v, text) && MatchesPattern(text, m_value.text);
        }
        switch (m_value.kind) {
        case Literal::Number: {
            if (v.vt() == platform::VT_BOOL && (m_op == Op::Equal || m_op == Op::NotEqual))
                return Holds(m_op, Order(v.boolVal() != 0, m_value.number != 0));
            if (v.vt() == platform::VT_DATE) {
                std::int64_t field = 0;
                std::int64_t literal = 0;
                return OleToSeconds(v.dblVal(), field) && OleToSeconds(m_value.number, literal)
                    && Holds(m_op, Order(field, literal));
            }
            double n = 0;
            if (FieldNumber(v, n))
                return Holds(m_op, Order(n, m_value.number));
            QString text;
            return FieldText(v, text) && Holds(m_op, text.compare(m_value.text, Qt::CaseInsensitive));
        }
        case Literal::Date: {
            std::int64_t field = 0;
            double ignored = 0;
            if (v.vt() == platform::VT_BSTR) {
                if (!ParseDateText(v.bstrVal(), field, ignored))
                    return false;
            } else {
                double n = 0;
                if (!FieldNumber(v, n) || !OleToSeconds(n, field))
                    return false;
            }
            return Holds(m_op, Order(field, m_value.seconds));
        }
        case Literal::Text: {
            if (v.vt() == platform::VT_BSTR)
                return Holds(m_op, v.bstrVal().compare(m_value.text, Qt::CaseInsensitive));
            if (v.vt() == platform::VT_DATE) {
                std::int64_t field = 0;
                std::int64_t literal = 0;
                double ignored = 0;
                return OleToSeconds(v.dblVal(), field) && ParseDateText(m_value.text, literal, ignored)
                    && Holds(m_op, Order(field, literal));
            }
            if (v.vt() == platform::VT_BOOL && (m_op == Op::Equal || m_op == Op::NotEqual)) {
                const QString t = m_value.text.trimmed();
                bool truth = false;
                if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
                    truth = true;
                else if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) != 0) {
                    double n = 0;
                    if (!ParseNumberText(t, n))
                        return false;
                    truth = n != 0;
                }
                return Holds(m_op, Order(v.boolVal() != 0, truth));
            }
            double field = 0;
            double literal = 0;
            if (FieldNumber(v, field) && ParseNumberText(m_value.text, literal))
                return Holds(m_op, Order(field, literal));
            return false;
        }
        case Literal::Null:
            break;
        }
        return false;
    }

private:
    QString m_field;
    Op m_op;
    Literal m_value;
};

class Junction : public Predicate {
public:
    Junction(bool all, std::vector<std::unique_ptr<Predicate>> parts)
        : m_all(all)
        , m_parts(std::move(parts))
    {
    }

    bool Matches(const std::function<Variant(const QString& field)>& valueOf) const override
    {
        for (const auto& part : m_parts) {
            if (part->Matches(valueOf) != m_all)
                return !m_all;
        }
        return m_all;
    }

private:
    bool m_all; // AND when true, OR when false
    std::vector<std::unique_ptr<Predicate>> m_parts;
};

// ---------------------------------------------------------------------------
// Reading

struct Token {
    enum Kind { End, Word, Name, String, Date, Number, Symbol };
    Kind kind = End;
    QString text;
};

std::vector<Token> Tokenize(const QString& s)
{
    std::vector<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'\'') {
            QString value;
            ++i;
            bool closed = false;
            while (i < n) {
                if (s[i] == u'\'') {
                    if (i + 1 < n && s[i + 1] == u'\'') {
                        value += u'\'';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                value += s[i++];
            }
            if (!closed)
                Invalid();
            tokens.push_back({ Token::String, value });
        } else if (c == u'#') {
            const qsizetype end = s.indexOf(u'#', i + 1);
            if (end < 0)
                Invalid();
            tokens.push_back({ Token::Date, s.mid(i + 1, end - i - 1) });
            i = end + 1;
        } else if (c == u'[') {
            const qsizetype end = s.indexOf(u']', i + 1);
            if (end < 0 || end == i + 1)
                Invalid();
            tokens.push_back({ Token::Name, s.mid(i + 1, end - i - 1) });
            i = end + 1;
        } else if (c.isDigit() || c == u'.' || c == u'$' || c == u'-' || c == u'+') {
            const qsizetype start = i;
            ++i;
            while (i < n
                && (s[i].isDigit() || s[i] == u'.' || s[i] == u'$' || ((s[i] == u'e' || s[i] == u'E') && i + 1 < n)
                    || ((s[i] == u'-' || s[i] == u'+') && (s[i - 1] == u'e' || s[i - 1] == u'E'))))
                ++i;
            tokens.push_back({ Token::Number, s.mid(start, i - start) });
        } else if (c == u'_' || c.isLetterOrNumber()) {
            const qsizetype start = i;
            while (i < n && (s[i] == u'_' || s[i].isLetterOrNumber()))
                ++i;
            tokens.push_back({ Token::Word, s.mid(start, i - start) });
        } else if (c == u'<' || c == u'>' || c == u'=') {
            QString op(c);
            if (i + 1 < n && ((c == u'<' && (s[i + 1] == u'>' || s[i + 1] == u'=')) || (c == u'>' && s[i + 1] == u'=')))
                op += s[i + 1];
            i += op.size();
            tokens.push_back({ Token::Symbol, op });
        } else if (c == u'(' || c == u')') {
            tokens.push_back({ Token::Symbol, QString(c) });
            ++i;
        } else {
            Invalid();
        }
    }
    tokens.push_back({ Token::End, QString() });
    return tokens;
}

bool IsWord(const Token& t, const char* word)
{
    return t.kind == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

class Reader {
public:
    explicit Reader(const QString& text)
        : m_tokens(Tokenize(text))
    {
    }

    std::unique_ptr<Predicate> Find()
    {
        auto predicate = ReadComparison();
        ExpectEnd();
        return predicate;
    }

    std::unique_ptr<Predicate> Filter()
    {
        auto predicate = ReadOr();
        ExpectEnd();
        return predicate;
    }

private:
    const Token& Peek() const { return m_tokens[m_pos]; }
    const Token& Next()
    {
        const Token& t = m_tokens[m_pos];
        if (m_pos + 1 < m_tokens.size())
            ++m_pos;
        return t;
    }
    void ExpectEnd() const
    {
        if (Peek().kind != Token::End)
            Invalid();
    }

    std::unique_ptr<Predicate> ReadOr()
    {
        std::vector<std::unique_ptr<Predicate>> parts;
        parts.push_back(ReadAnd());
        while (IsWord(Peek(), "OR")) {
            Next();
            parts.push_back(ReadAnd());
        }
        if (parts.size() == 1)
            return std::move(parts.front());
        return std::make_unique<Junction>(false, std::move(parts));
    }

    std::unique_ptr<Predicate> ReadAnd()
    {
        std::vector<std::unique_ptr<Predicate>> parts;
        parts.push_back(ReadTerm());
        while (IsWord(Peek(), "AND")) {
            Next();
            parts.push_back(ReadTerm());
        }
        if (parts.size() == 1)
            return std::move(parts.front());
        return std::make_unique<Junction>(true, std::move(parts));
    }

    std::unique_ptr<Predicate> ReadTerm()
    {
        if (Peek().kind == Token::Symbol && Peek().text == QLatin1String("(")) {
            // Parentheses nested past any real filter are refused rather
            // than read at the cost of the stack.
            if (++m_depth > kMaxDepth)
                Invalid();
            Next();
            auto inner = ReadOr();
            --m_depth;
            if (Peek().kind != Token::Symbol || Peek().text != QLatin1String(")"))
                Invalid();
            Next();
            return inner;
        }
        return ReadComparison();
    }

    std::unique_ptr<Predicate> ReadComparison()
    {
        const Token& field = Next();
        if (field.kind != Token::Name && field.kind != Token::Word)
            Invalid();
        if (field.kind == Token::Word
            && (IsWord(field, "AND") || IsWord(field, "OR") || IsWord(field, "LIKE") || IsWord(field, "NULL")))
            Invalid();
        const QString name = field.text;
        Op op = Op::Equal;
        const Token& opToken = Next();
        if (IsWord(opToken, "LIKE")) {
            op = Op::Like;
        } else if (opToken.kind == Token::Symbol) {
            const QString& s = opToken.text;
            if (s == QLatin1String("="))
                op = Op::Equal;
            else if (s == QLatin1String("<>"))
                op = Op::NotEqual;
            else if (s == QLatin1String("<"))
                op = Op::Less;
            else if (s == QLatin1String(">"))
                op = Op::Greater;
            else if (s == QLatin1String("<="))
                op = Op::LessEqual;
            else if (s == QLatin1String(">="))
                op = Op::GreaterEqual;
            else
                Invalid();
        } else {
            Invalid();
        }
        Literal value = ReadValue();
        if (value.kind == Literal::Null && op != Op::Equal && op != Op::NotEqual)
            Invalid();
        if (op == Op::Like && value.kind != Literal::Text)
            Invalid();
        return std::make_unique<Comparison>(name, op, std::move(value));
    }

    Literal ReadValue()
    {
        const Token& t = Next();
        Literal value;
        switch (t.kind) {
        case Token::String:
            value.kind = Literal::Text;
            value.text = t.text;
            return value;
        case Token::Date:
            // ADO also lets # enclose text ("Name = #O'Brien#").
            if (ParseDateText(t.text, value.seconds, value.number))
                value.kind = Literal::Date;
            else
                value.kind = Literal::Text;
            value.text = t.text;
            return value;
        case Token::Number:
            if (!ParseNumberText(t.text, value.number))
                Invalid();
            value.kind = Literal::Number;
            value.text = t.text;
            return value;
        case Token::Word:
            if (IsWord(t, "NULL"))
                return value;
            if (IsWord(t, "TRUE") || IsWord(t, "FALSE")) {
                value.kind = Literal::Number;
                value.number = IsWord(t, "TRUE") ? -1 : 0;
                value.text = t.text;
                return value;
            }
            break;
        default:
            break;
        }
        Invalid();
    }

    static constexpr int kMaxDepth = 100;

    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    int m_depth = 0; // parentheses open around the term being read
};

} // namespace

std::unique_ptr<Predicate> ParseFind(const QString& criteria)
{
    return Reader(criteria).Find();
}

std::unique_ptr<Predicate> ParseFilter(const QString& criteria)
{
    return Reader(criteria).Filter();
}

} // namespace engine::criteria
