// The one error report of the database access layer. Each wrapper class
// turns a COM error that it catches into the same multi-line text, headed by
// its class name; the application's outermost handler builds the same text
// with the head "Error" for the errors nobody caught.
#pragma once

#include "platform/ComError.h"

#include <QString>

// "<head>\r\nCode = %08lx\r\nCode meaning = %s\r\nSource = %s\r\n
// Description = %s\r\n", with "(null)" for an absent part, as printf prints a
// null string.
QString FormatComErrorReport(const QString& head, const platform::ComError& e);

// Shows a report in a modal error box (MB_ICONERROR, OK only).
void ShowComErrorReport(const QString& report);
