// ComError and the code meaning of an HRESULT. The system message table
// holds the Windows texts of the codes this program can raise; ADO's and
// the OLE DB provider's codes have no system text, so they take the
// fallback forms.
#include "platform/ComError.h"

#include <array>
#include <utility>

namespace platform {

ComError::ComError(HRESULT hr, std::optional<QString> description, std::optional<QString> source)
    : m_hr(hr)
    , m_description(std::move(description))
    , m_source(std::move(source))
{
}

std::optional<QString> ComError::ErrorMessage() const
{
    return CodeMeaning(m_hr);
}

const char* ComError::what() const noexcept
{
    try {
        m_what = QStringLiteral("%1: %2")
                     .arg(static_cast<quint32>(m_hr), 8, 16, QLatin1Char('0'))
                     .arg(m_description.value_or(CodeMeaning(m_hr)))
                     .toUtf8();
        return m_what.constData();
    } catch (...) {
        return "ComError";
    }
}

std::optional<QString> SystemMessageText(HRESULT hr)
{
    static const std::array<std::pair<quint32, const char*>, 19> table { {
        { 0x80004001u, "Not implemented\r\n" },
        { 0x80004002u, "No such interface supported\r\n" },
        { 0x80004003u, "Invalid pointer\r\n" },
        { 0x80004004u, "Operation aborted\r\n" },
        { 0x80004005u, "Unspecified error\r\n" },
        { 0x8000FFFFu, "Catastrophic failure\r\n" },
        { 0x80070002u, "The system cannot find the file specified.\r\n" },
        { 0x80070003u, "The system cannot find the path specified.\r\n" },
        { 0x80070005u, "Access is denied.\r\n" },
        { 0x8007000Eu, "Not enough memory resources are available to complete this operation.\r\n" },
        { 0x80070020u, "The process cannot access the file because it is being used by another process.\r\n" },
        { 0x80070050u, "The file exists.\r\n" },
        { 0x80070057u, "The parameter is incorrect.\r\n" },
        { 0x80070070u, "There is not enough space on the disk.\r\n" },
        { 0x80020004u, "Parameter not found.\r\n" },
        { 0x80020005u, "Type mismatch.\r\n" },
        { 0x8002000Au, "Out of present range.\r\n" },
        { 0x80020009u, "Exception occurred.\r\n" },
        { 0x00000000u, "The operation completed successfully.\r\n" },
    } };
    for (const auto& [code, text] : table) {
        if (code == static_cast<quint32>(hr))
            return QString::fromLatin1(text);
    }
    return std::nullopt;
}

QString CodeMeaning(HRESULT hr)
{
    if (std::optional<QString> text = SystemMessageText(hr)) {
        QString t = *text;
        if (t.size() > 1 && t.endsWith(QLatin1Char('\n'))) {
            t.chop(1);
            if (t.endsWith(QLatin1Char('\r')))
                t.chop(1);
        }
        return t;
    }
    const quint32 code = static_cast<quint32>(hr);
    if (code >= 0x80040201u && code <= 0x8004FFFFu)
        return QStringLiteral("IDispatch error #%1").arg(code - 0x80040200u);
    // Only the number is upper case: "%0lX" upper-cases the digits, not the text around them.
    return QStringLiteral("Unknown error 0x%1").arg(QString::number(code, 16).toUpper());
}

QString OrNullText(const std::optional<QString>& text)
{
    return text ? *text : QStringLiteral("(null)");
}

} // namespace platform
