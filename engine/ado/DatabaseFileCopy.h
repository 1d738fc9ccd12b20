// A copy of a data file that is always a good database: exactly the last
// committed state, whatever the file looks like on disk at the moment of
// the copy. A crash part-way through a write leaves half a transaction in
// the file and the pages to undo it in its rollback journal; another
// process may be writing while the copy is made; a file in WAL mode keeps
// committed pages in its -wal file. Copying the bytes of the file alone
// gets each of these wrong.
#pragma once

#include <QString>

namespace engine {

// Copies the database at sourcePath, already open as sourceFd (a regular
// file, read from the start), into out, an empty file open for writing.
// SQLite first rolls back a hot journal; the copy is then made under a read
// lock, so no writer changes the file until it is done, and waits up to
// timeoutSeconds for a writer to finish. Where the file system can share
// blocks the copy shares them; elsewhere it is copied in the kernel or,
// failing that, read and written. A file in WAL mode is copied through
// SQLite with the WAL's committed pages included, as a file in rollback
// mode. A file that is no database at all is copied as it is: there is no
// state to keep, and the program's open reports it. False when the state
// could not be read (locked past the timeout, a hot journal this user
// cannot roll back, a read or write error); out may then hold part of a
// copy. sourceFd must stay open until this returns: closing another
// descriptor of the file would drop SQLite's locks on it.
bool CopyDatabaseFile(const QString& sourcePath, int sourceFd, int out, int timeoutSeconds);

} // namespace engine
