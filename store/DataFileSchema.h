// The data file's own tables, as Jet DDL: Words (the words in study, with
// the defaults the learn selection relies on: a new row's Date is the
// current date and time and its MemoryCycle is 1) and NewWords (the words
// waiting to be taken into study). The program never creates a data file;
// the tool lexitrain-makedb and the tests do, through CreateDataFile.
#pragma once

#include <QString>

// The CREATE TABLE texts, in Jet's dialect, run in this order.
inline constexpr const char* kCreateWordsTable = "CREATE TABLE Words ("
                                                 "ID COUNTER PRIMARY KEY, "
                                                 "Word TEXT(255), "
                                                 "Pronunciation TEXT(255), "
                                                 "Description MEMO, "
                                                 "MemoryCycle LONG DEFAULT 1, "
                                                 "[Date] DATETIME DEFAULT Now())";
inline constexpr const char* kCreateNewWordsTable = "CREATE TABLE NewWords ("
                                                    "ID COUNTER PRIMARY KEY, "
                                                    "Word TEXT(255), "
                                                    "Pronunciation TEXT(255), "
                                                    "Description MEMO)";

// Creates a new data file at path holding both tables. The file appears
// whole or not at all: it is built under a temporary name beside path and
// then given its name, which fails, changing nothing, when path exists.
// Throws platform::ComError with a description naming the file.
void CreateDataFile(const QString& path);
