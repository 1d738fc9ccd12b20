// Builds and shows the layer's error report. The code is printed as the
// HRESULT's 32 bits in lower-case hexadecimal, eight digits wide.
#include "db/ComErrorReport.h"

#include "platform/MessageBox.h"

QString FormatComErrorReport(const QString& head, const platform::ComError& e)
{
    return head
        + QStringLiteral("\r\nCode = %1\r\nCode meaning = %2\r\nSource = %3\r\nDescription = %4\r\n")
              .arg(static_cast<quint32>(e.Error()), 8, 16, QLatin1Char('0'))
              .arg(platform::OrNullText(e.ErrorMessage()), platform::OrNullText(e.Source()),
                  platform::OrNullText(e.Description()));
}

void ShowComErrorReport(const QString& report)
{
    platform::ShowMessage(report, platform::MB_ICONERROR);
}
