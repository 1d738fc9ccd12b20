// Private to the engine: the one place where a SQLite result code becomes
// the ComError that ADO's Jet provider would have raised, with Jet's
// HRESULT, the source "Microsoft JET Database Engine" and a description a
// user can act on. Every call into SQLite that can fail goes through Check.
#pragma once

#include "platform/ComError.h"

#include <QString>

struct sqlite3;

namespace engine {

inline constexpr const char* kJetSource = "Microsoft JET Database Engine";

// Builds the error for a failed SQLite call. message is SQLite's own text
// (sqlite3_errmsg); path names the data file for file-level failures.
platform::ComError SqliteError(int resultCode, const QString& message, const QString& path = {});

// Throws SqliteError when rc is not SQLITE_OK, SQLITE_ROW or SQLITE_DONE,
// taking the message from the connection.
void Check(sqlite3* db, int rc);

// Throws a Jet error with a description of the engine's own making (a
// field too long, a required field left empty, ...).
[[noreturn]] void ThrowJet(platform::HRESULT hr, const QString& description);

} // namespace engine
