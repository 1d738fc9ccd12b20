// The formats of word lists: CSV (RFC 4180), TSV as other trainers export
// plain-text notes, and recordsets in the engine's XML persistence format.
#pragma once

#include <QString>
#include <optional>

enum class WordListFormat { Csv, Tsv, Xml };

// "csv", "tsv" or "xml", any case; absent for anything else.
std::optional<WordListFormat> WordListFormatFromName(const QString& name);
// By the file's extension (.csv; .tsv or .txt; .xml); absent when unknown.
std::optional<WordListFormat> WordListFormatOfFile(const QString& fileName);
