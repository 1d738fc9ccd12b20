// The Jet SQL tokenizer on its own: what each lexical form becomes, where
// it stands in the source (error messages quote the source), and the
// malformed forms that the reader must be able to report in context.
#include "engine/jetsql/JetTokenizer.h"

#include <gtest/gtest.h>

using engine::jetsql::Token;
using engine::jetsql::Tokenize;

namespace {

TEST(JetSqlTokenizerTest, EachFormBecomesOneTokenWithItsPlace)
{
    const QString text = QStringLiteral(
        "SELECT [a b], `c`, \"say \"\"hi\"\"\", 'it''s [x] #1# & --', #5/17/2010#, 1.5E-3, .5, ?, <>, =<, 词语 --1");
    const std::vector<Token> tokens = Tokenize(text);
    struct Expected {
        Token::Kind kind;
        const char* text;
    };
    const Expected expected[] = { { Token::Word, "SELECT" }, { Token::Name, "a b" }, { Token::Symbol, "," },
        { Token::Name, "c" }, { Token::Symbol, "," }, { Token::String, "say \"hi\"" }, { Token::Symbol, "," },
        { Token::String, "it's [x] #1# & --" }, { Token::Symbol, "," }, { Token::Date, "2010-05-17 00:00:00" },
        { Token::Symbol, "," }, { Token::Number, "1.5E-3" }, { Token::Symbol, "," }, { Token::Number, ".5" },
        { Token::Symbol, "," }, { Token::Parameter, "?" }, { Token::Symbol, "," }, { Token::Symbol, "<>" },
        { Token::Symbol, "," }, { Token::Symbol, "<=" }, { Token::Symbol, "," }, { Token::Word, "词语" },
        { Token::Symbol, "-" }, { Token::Symbol, "-" }, { Token::Number, "1" }, { Token::End, "" } };
    ASSERT_EQ(tokens.size(), std::size(expected));
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        EXPECT_EQ(tokens[i].kind, expected[i].kind) << i;
        EXPECT_EQ(tokens[i].text, QString::fromUtf8(expected[i].text)) << i;
    }
    // Places point back into the source as written.
    EXPECT_EQ(text.mid(tokens[5].begin, tokens[5].end - tokens[5].begin), QStringLiteral("\"say \"\"hi\"\"\""));
    EXPECT_EQ(text.mid(tokens[9].begin, tokens[9].end - tokens[9].begin), QStringLiteral("#5/17/2010#"));
    EXPECT_EQ(tokens.back().begin, text.size());

    EXPECT_TRUE(tokens[0].IsKeyword("select"));
    EXPECT_FALSE(
        Tokenize(QStringLiteral("[Select]")).front().IsKeyword("SELECT")); // a bracketed name is never a keyword
    EXPECT_TRUE(tokens[1].IsName());
    EXPECT_TRUE(tokens[17].IsSymbol("<>"));
}

TEST(JetSqlTokenizerTest, MalformedFormsAreMarkedNotThrown)
{
    for (const auto& [text, kind] :
        { std::pair { "'abc", Token::BadString }, { "\"abc''", Token::BadString }, { "[abc", Token::BadName },
            { "#abc#", Token::BadDate }, { "#2/29/2011#", Token::BadDate }, { "#5/17/2010", Token::BadDate } })
        EXPECT_EQ(Tokenize(QString::fromLatin1(text)).front().kind, kind) << text;
    const std::vector<Token> blank = Tokenize(QStringLiteral(" \t\r\n "));
    ASSERT_EQ(blank.size(), 1u);
    EXPECT_EQ(blank.front().kind, Token::End);
}

} // namespace
