// Private to the engine: splits a Jet SQL text into tokens for the
// translator. Jet's lexical rules differ from SQLite's in ways that make a
// textual rewrite unsafe: "..." is a string, not a name; [..] is a name that
// may hold any character but ']'; #..# is a date; there are no comments, so
// "--" is two minus signs. Each token keeps its place in the source so that
// error messages can quote the text as the user wrote it.
#pragma once

#include <QString>
#include <vector>

namespace engine::jetsql {

struct Token {
    enum Kind {
        End, // past the last token
        Word, // a bare name or keyword; text as written
        Name, // [bracketed] or `backquoted` name; text without the quotes
        String, // '...' or "..."; text is the value, quotes undoubled
        Number, // text as written ("12", "1.5E3", ".5")
        Date, // #...#; text is the stored form "YYYY-MM-DD HH:MM:SS"
        Symbol, // operator or punctuation; text is the symbol
        Parameter, // ?
        BadString, // a string with no closing quote
        BadDate, // #...# that is no date, or no closing #
        BadName, // [ with no closing ]
    };
    Kind kind = End;
    QString text;
    int begin = 0; // offsets into the source, in UTF-16 units
    int end = 0;

    // A bare word equal to keyword, ignoring case. Bracketed names never
    // match, so [Select] stays a name.
    bool IsKeyword(const char* keyword) const;
    bool IsSymbol(const char* symbol) const;
    // A bare word or a bracketed name: anything that can name a column.
    bool IsName() const { return kind == Word || kind == Name; }
};

// Splits the text; never fails (a malformed string, date or name becomes a
// Bad* token for the parser to report in its context). The last token is End.
std::vector<Token> Tokenize(const QString& text);

} // namespace engine::jetsql
