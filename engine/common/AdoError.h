// Private to the engine: the errors that ADO itself (rather than the Jet
// provider) raises, with ADO's HRESULTs, sources and texts, so that every
// object of the engine words the same failure the same way.
#pragma once

#include "platform/ComError.h"

#include <QString>

namespace engine {

inline constexpr platform::HRESULT adErrInvalidConnection = platform::MakeHr(0x800A0E7Du);
inline constexpr platform::HRESULT DB_E_CANTFETCHBACKWARDS = platform::MakeHr(0x80040E24u);
inline constexpr platform::HRESULT XACT_E_NOTRANSACTION = platform::MakeHr(0x8004D00Eu);

// Texts ADO gives for its own errors.
namespace adotext {
inline const char* const kNoCurrentRecord = "Either BOF or EOF is True, or the current record has been deleted. "
                                            "Requested operation requires a current record.";
inline const char* const kObjectClosed = "Operation is not allowed when the object is closed.";
inline const char* const kObjectOpen = "Operation is not allowed when the object is open.";
inline const char* const kItemNotFound
    = "Item cannot be found in the collection corresponding to the requested name or ordinal.";
inline const char* const kInvalidArgument
    = "Arguments are of the wrong type, are out of acceptable range, or are in conflict with one another.";
inline const char* const kProviderNotFound = "Provider cannot be found. It may not be properly installed.";
inline const char* const kInvalidConnection
    = "The connection cannot be used to perform this operation. It is either closed or invalid in this context.";
inline const char* const kNotUpdatableLock = "Current Recordset does not support updating. This may be a "
                                             "limitation of the provider, or of the selected locktype.";
inline const char* const kNoBookmarks = "Current Recordset does not support bookmarks. This may be a limitation "
                                        "of the provider or of the selected cursortype.";
inline const char* const kCantFetchBackwards = "Rowset does not support fetching backward.";
inline const char* const kIllegalOperation = "Operation is not allowed in this context.";
} // namespace adotext

// Throws with source "ADODB.<objectName>" ("Recordset", "Connection", "Field").
[[noreturn]] inline void ThrowAdo(platform::HRESULT hr, const QString& description, const char* objectName)
{
    throw platform::ComError(hr, description, QStringLiteral("ADODB.%1").arg(QLatin1String(objectName)));
}

} // namespace engine
