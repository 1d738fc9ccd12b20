// The connection string that opens a data file through the Jet provider:
// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<path>;Persist Security
// Info=False;". A path that the string's own syntax would cut short or
// change (a ';', '=', a quote, white space at either end) is put in double
// quotes, with any double quote in it doubled, as OLE DB strings quote a
// value; every other path goes in as it stands, so the text is the one the
// program always used.
#pragma once

#include <QString>

QString JetConnectionString(const QString& path);
