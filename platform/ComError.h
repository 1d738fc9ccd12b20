// The value every failed database call raises, standing in for the
// compiler's _com_error: an HRESULT, and the source and description that the
// failing object left (either may be absent). ErrorMessage() gives the code
// meaning: the system text for the code, or the fallback forms that the
// system gives when it has none.
#pragma once

#include "platform/HResult.h"

#include <QString>
#include <exception>
#include <optional>

namespace platform {

class ComError : public std::exception {
public:
    explicit ComError(HRESULT hr, std::optional<QString> description = std::nullopt,
                      std::optional<QString> source = std::nullopt);

    HRESULT Error() const { return m_hr; }
    // Absent when the failing object left no error information.
    const std::optional<QString>& Description() const { return m_description; }
    const std::optional<QString>& Source() const { return m_source; }
    // The code meaning; absent only when no text could be made at all.
    std::optional<QString> ErrorMessage() const;

    const char* what() const noexcept override;

private:
    HRESULT m_hr;
    std::optional<QString> m_description;
    std::optional<QString> m_source;
    mutable QByteArray m_what;
};

// The system message table: the text the system gives for an HRESULT,
// with its trailing "\r\n" as the system writes it; absent for codes it
// does not know.
std::optional<QString> SystemMessageText(HRESULT hr);

// The code meaning of an HRESULT: the system text with at most one trailing
// line end removed; else "IDispatch error #%d" for 0x80040201..0x8004FFFF;
// else "Unknown error 0x%0lX".
QString CodeMeaning(HRESULT hr);

// printf's %s of a possibly-absent text: "(null)" when absent.
QString OrNullText(const std::optional<QString>& text);

}  // namespace platform
