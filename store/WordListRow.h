// One word of a word list as it travels between a file and the data file:
// its three texts, the table it comes from (export of both tables) and
// where it stood in its file (import messages).
#pragma once

#include <QString>

struct WordListRow {
    QString word;
    QString pronunciation;
    QString description;
    // "new" or "study" on export of both tables; empty otherwise.
    QString table;
    // The line (text files) or row (XML files) where the word starts,
    // counted from 1.
    int line = 0;
};

#include <QStringList>
#include <vector>

// The words read from one file, in file order, and the columns of it that
// carry nothing the data file keeps.
struct WordListContents {
    std::vector<WordListRow> rows;
    QStringList ignoredColumns;
};
