// Word lists as delimited text: CSV after RFC 4180 (quoted fields with
// commas, quotes and line breaks inside; UTF-8 with or without a byte order
// mark), and TSV as other trainers export plain-text notes: tab-separated,
// quoted the same way where a field needs it, after '#'-prefixed header
// lines (#separator:tab, #html:false, #columns:...). Parsing is libcsv's.
//
// Columns are word, pronunciation, description: by header name when the
// first row names the word column and one other known column (or a
// #columns: line names them), else by position. A "Table"
// column, which an export of both tables adds, is read and dropped; any
// other extra column is dropped and named.
#pragma once

#include "store/WordListFormat.h"
#include "store/WordListRow.h"

#include <QByteArray>

// Throws WordListError naming the file and line of a malformed line (a
// quote that is not closed or stands inside an unquoted field, text that is
// not UTF-8). Blank rows are skipped; a row with texts but no word is an
// error.
WordListContents ReadDelimitedWordList(const QByteArray& bytes, const QString& fileName, WordListFormat format);

// Appends the lines that open a list: the header row (CSV) or the header
// lines (TSV). withTable adds the Table column.
void WriteDelimitedWordListHeader(QByteArray& out, WordListFormat format, bool withTable);
// Appends one row, quoting only the fields that need it.
void WriteDelimitedWordListRow(QByteArray& out, WordListFormat format, const WordListRow& row, bool withTable);
