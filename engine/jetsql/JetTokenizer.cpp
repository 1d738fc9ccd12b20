// Splits Jet SQL into tokens. Jet has no comments and reads "..." as text,
// so the only multi-character units are names, numbers, strings, dates and
// the two-character comparison operators.
#include "engine/jetsql/JetTokenizer.h"

#include "engine/jetsql/JetFunctions.h"

namespace engine::jetsql {

namespace {

bool IsNameStart(QChar c)
{
    return c == u'_' || c.isLetter() || (c.unicode() >= 0x80 && c.isLetterOrNumber());
}
bool IsNamePart(QChar c)
{
    return c == u'_' || c.isLetterOrNumber();
}

bool EqualsIgnoringAsciiCase(const QString& text, const char* keyword)
{
    qsizetype i = 0;
    for (; keyword[i] != '\0'; ++i) {
        if (i >= text.size())
            return false;
        char16_t c = text[i].unicode();
        if (c >= u'a' && c <= u'z')
            c = static_cast<char16_t>(c - u'a' + u'A');
        char k = keyword[i];
        if (k >= 'a' && k <= 'z')
            k = static_cast<char>(k - 'a' + 'A');
        if (c != static_cast<char16_t>(static_cast<unsigned char>(k)))
            return false;
    }
    return i == text.size();
}

} // namespace

bool Token::IsKeyword(const char* keyword) const
{
    return kind == Word && EqualsIgnoringAsciiCase(text, keyword);
}

bool Token::IsSymbol(const char* symbol) const
{
    return kind == Symbol && text == QLatin1String(symbol);
}

std::vector<Token> Tokenize(const QString& text)
{
    std::vector<Token> tokens;
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto push = [&](Token::Kind kind, QString value, qsizetype begin, qsizetype end) {
        tokens.push_back(Token { kind, std::move(value), static_cast<int>(begin), static_cast<int>(end) });
    };
    while (i < n) {
        const QChar c = text[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        const qsizetype begin = i;
        if (IsNameStart(c)) {
            while (i < n && IsNamePart(text[i]))
                ++i;
            push(Token::Word, text.mid(begin, i - begin), begin, i);
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && text[i + 1].isDigit() && c.unicode() < 0x80)) {
            while (i < n && text[i].unicode() < 0x80 && text[i].isDigit())
                ++i;
            if (i < n && text[i] == u'.') {
                ++i;
                while (i < n && text[i].unicode() < 0x80 && text[i].isDigit())
                    ++i;
            }
            if (i < n && (text[i] == u'e' || text[i] == u'E')) {
                qsizetype j = i + 1;
                if (j < n && (text[j] == u'+' || text[j] == u'-'))
                    ++j;
                if (j < n && text[j].unicode() < 0x80 && text[j].isDigit()) {
                    i = j;
                    while (i < n && text[i].unicode() < 0x80 && text[i].isDigit())
                        ++i;
                }
            }
            push(Token::Number, text.mid(begin, i - begin), begin, i);
        } else if (c == u'\'' || c == u'"') {
            // Either quote opens a string in Jet; the same quote doubled
            // stands for itself.
            QString value;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == c) {
                    if (i + 1 < n && text[i + 1] == c) {
                        value += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i];
                ++i;
            }
            push(closed ? Token::String : Token::BadString, value, begin, i);
        } else if (c == u'[' || c == u'`') {
            const QChar close = c == u'[' ? u']' : u'`';
            const qsizetype end = text.indexOf(close, i + 1);
            if (end < 0) {
                push(Token::BadName, text.mid(i + 1), begin, n);
                i = n;
            } else {
                push(Token::Name, text.mid(i + 1, end - i - 1), begin, end + 1);
                i = end + 1;
            }
        } else if (c == u'#') {
            const qsizetype end = text.indexOf(u'#', i + 1);
            if (end < 0) {
                push(Token::BadDate, QString(), begin, n);
                i = n;
                continue;
            }
            const QByteArray inside = text.mid(i + 1, end - i - 1).toUtf8();
            dates::CivilDateTime value;
            i = end + 1;
            if (dates::ParseDateText(inside.constData(), static_cast<std::size_t>(inside.size()), value)) {
                char stored[dates::kStoredLength + 1];
                dates::FormatStored(value, stored);
                push(Token::Date, QString::fromLatin1(stored), begin, i);
            } else {
                push(Token::BadDate, QString(), begin, i);
            }
        } else if (c == u'?') {
            ++i;
            push(Token::Parameter, QStringLiteral("?"), begin, i);
        } else {
            static const char* const twoCharacter[] = { "<>", "<=", ">=", "!=", "=<", "=>" };
            QString symbol(c);
            if (i + 1 < n) {
                const QString pair = text.mid(i, 2);
                for (const char* op : twoCharacter) {
                    if (pair == QLatin1String(op)) {
                        symbol = pair;
                        break;
                    }
                }
            }
            // Jet writes "=<" and "=>" for "<=" and ">=" as well.
            if (symbol == QLatin1String("=<"))
                symbol = QStringLiteral("<=");
            else if (symbol == QLatin1String("=>"))
                symbol = QStringLiteral(">=");
            i += symbol.size();
            push(Token::Symbol, symbol, begin, i);
        }
    }
    push(Token::End, QString(), n, n);
    return tokens;
}

} // namespace engine::jetsql
