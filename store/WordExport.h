// Writing the words of the data file out as a word list: the new words,
// the words in study, or both with a column saying which, as CSV, TSV or
// XML, in the order they were added. What it writes, WordImport reads back
// to the same words.
#pragma once

#include "store/WordListFormat.h"

class CWordStore;
class QIODevice;

class WordExport {
public:
    enum class Table { New, Study, All };

    explicit WordExport(CWordStore& store);

    // Opens the store's data file, writes the list to out and closes the
    // file. Returns the number of words written. Throws WordListError
    // naming the data file (or the output) when either fails.
    qint64 Write(QIODevice& out, Table table, WordListFormat format);

private:
    CWordStore& m_store;
};
