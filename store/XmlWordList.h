// Word lists as recordsets in the engine's XML persistence format (ADO's
// XML form). Reading takes the columns Word, Pronunciation and Description
// by name when the recordset has a Word column, else the first three by
// position; writing makes a recordset of those columns (and Table, for an
// export of both tables) and lets the engine save it.
#pragma once

#include "store/WordListRow.h"

#include <QByteArray>
#include <vector>

// Throws WordListError naming the file (and the row, counted from 1, of a
// row that cannot be read).
WordListContents ReadXmlWordList(const QString& filePath, const QString& fileName);

// The whole file as the engine writes it.
QByteArray WriteXmlWordList(const std::vector<WordListRow>& rows, bool withTable);
