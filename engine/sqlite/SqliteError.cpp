// Turns SQLite's result codes and messages into the errors of ADO's Jet
// provider: the HRESULT a caller of ADO would have seen, the source
// "Microsoft JET Database Engine", and a description that names the table,
// field or file concerned. Jet's own wording is kept where a user of Access
// would recognise it.
#include "engine/sqlite/SqliteError.h"

#include <sqlite3.h>

namespace engine {

using platform::ComError;
using platform::HRESULT;

namespace {

// The text after "prefix" in SQLite's message, e.g. the table of
// "no such table: Words".
QString After(const QString& message, const QString& prefix)
{
    const qsizetype at = message.indexOf(prefix);
    return at < 0 ? QString() : message.mid(at + prefix.size()).trimmed();
}

ComError Jet(HRESULT hr, const QString& description)
{
    return ComError(hr, description, QString::fromLatin1(kJetSource));
}

QString FileName(const QString& path)
{
    return path.isEmpty() ? QStringLiteral("the data file") : QStringLiteral("'%1'").arg(path);
}

ComError ConstraintError(int code, const QString& message)
{
    switch (code) {
    case SQLITE_CONSTRAINT_NOTNULL:
        return Jet(platform::E_FAIL,
            QStringLiteral("The field '%1' cannot contain a Null value because the Required "
                           "property for this field is set to True.  Enter a value in this "
                           "field.")
                .arg(After(message, QStringLiteral("failed:"))));
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_ROWID:
        // Jet's text exactly: it names neither the field nor the index.
        return Jet(platform::E_FAIL,
            QStringLiteral("The changes you requested to the table were not successful because they would "
                           "create duplicate values in the index, primary key, or relationship. Change "
                           "the data in the field or fields that contain duplicate data, remove the index, or "
                           "redefine the index to permit duplicate entries and try again."));
    case SQLITE_CONSTRAINT_FOREIGNKEY:
        return Jet(platform::E_FAIL,
            QStringLiteral("You cannot add, change or delete this record because a related "
                           "record in another table requires it (%1).")
                .arg(message));
    case SQLITE_CONSTRAINT_CHECK:
        return Jet(platform::E_FAIL,
            QStringLiteral("One or more values are prohibited by the validation rule "
                           "'%1'.  Enter a value that the expression for this field can "
                           "accept.")
                .arg(After(message, QStringLiteral("failed:"))));
    default:
        return Jet(platform::E_FAIL, QStringLiteral("The change was refused by a rule of the table: %1.").arg(message));
    }
}

ComError GeneralError(const QString& message)
{
    // Jet's functions meet a value of the wrong type only as the rows run.
    if (message == QLatin1String("Data type mismatch in criteria expression."))
        return Jet(platform::DB_E_CANTCONVERTVALUE, message);
    if (message.startsWith(QLatin1String("no such column")))
        return Jet(
            platform::DB_E_PARAMNOTOPTIONAL, QStringLiteral("No value given for one or more required parameters."));
    if (message.startsWith(QLatin1String("no such table"))) {
        QString table = After(message, QStringLiteral("no such table:"));
        if (table.startsWith(QLatin1String("main.")))
            table = table.mid(5);
        return Jet(platform::DB_E_NOTABLE,
            QStringLiteral("The Microsoft Jet database engine cannot find the input table or query '%1'.  Make "
                           "sure it exists and that its name is spelled correctly.")
                .arg(table));
    }
    if (message.startsWith(QLatin1String("no such function")))
        return Jet(platform::DB_E_ERRORSINCOMMAND,
            QStringLiteral("Undefined function '%1' in expression.")
                .arg(After(message, QStringLiteral("no such function:"))));
    if (message.contains(QLatin1String("syntax error")) || message.startsWith(QLatin1String("incomplete input")))
        return Jet(platform::DB_E_ERRORSINCOMMAND, QStringLiteral("Syntax error in SQL statement (%1).").arg(message));
    if (message.startsWith(QLatin1String("table ")) && message.endsWith(QLatin1String("already exists")))
        return Jet(platform::DB_E_ERRORSINCOMMAND,
            QStringLiteral("Table '%1' already exists.").arg(message.mid(6).section(QLatin1Char(' '), 0, 0)));
    if (message.startsWith(QLatin1String("index ")) && message.endsWith(QLatin1String("already exists")))
        return Jet(platform::DB_E_ERRORSINCOMMAND,
            QStringLiteral("Index '%1' already exists.").arg(message.mid(6).section(QLatin1Char(' '), 0, 0)));
    if (message.startsWith(QLatin1String("ambiguous column name")))
        return Jet(platform::E_FAIL,
            QStringLiteral("The specified field '%1' could refer to more than one table "
                           "listed in the FROM clause of your SQL statement.")
                .arg(After(message, QStringLiteral("ambiguous column name:"))));
    return Jet(platform::E_FAIL, message);
}

} // namespace

ComError SqliteError(int resultCode, const QString& message, const QString& path)
{
    switch (resultCode & 0xFF) {
    case SQLITE_CONSTRAINT:
        return ConstraintError(resultCode, message);
    case SQLITE_TOOBIG:
        return Jet(platform::E_FAIL,
            QStringLiteral("The field is too small to accept the amount of data you attempted "
                           "to add.  Try inserting or pasting less data."));
    case SQLITE_FULL:
        return Jet(
            platform::E_FAIL, QStringLiteral("There is not enough space on the disk to write %1.").arg(FileName(path)));
    case SQLITE_READONLY:
        return Jet(platform::E_FAIL, QStringLiteral("Cannot update. Database or object is read-only."));
    case SQLITE_NOTADB:
        return Jet(platform::E_FAIL, QStringLiteral("%1 is not a database file.").arg(FileName(path)));
    case SQLITE_CORRUPT:
        return Jet(
            platform::E_FAIL, QStringLiteral("%1 is damaged and cannot be read (%2).").arg(FileName(path), message));
    case SQLITE_CANTOPEN:
        return Jet(platform::E_FAIL, QStringLiteral("%1 cannot be opened (%2).").arg(FileName(path), message));
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Jet(platform::E_FAIL,
            QStringLiteral("Could not update; %1 is currently locked by another session.").arg(FileName(path)));
    case SQLITE_IOERR:
        return Jet(platform::E_FAIL,
            QStringLiteral("Disk or network error while reading or writing %1 (%2).").arg(FileName(path), message));
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return Jet(
            platform::E_ACCESSDENIED, QStringLiteral("Access to %1 is denied (%2).").arg(FileName(path), message));
    case SQLITE_NOMEM:
        return Jet(platform::E_OUTOFMEMORY, QStringLiteral("Not enough memory to complete the operation."));
    case SQLITE_INTERRUPT:
    case SQLITE_ABORT:
        return Jet(platform::E_ABORT, QStringLiteral("The operation was cancelled (%1).").arg(message));
    case SQLITE_MISMATCH:
        return Jet(platform::DB_E_CANTCONVERTVALUE, QStringLiteral("Data type mismatch in criteria expression."));
    case SQLITE_RANGE:
        return Jet(
            platform::DB_E_PARAMNOTOPTIONAL, QStringLiteral("No value given for one or more required parameters."));
    default:
        return GeneralError(message);
    }
}

void Check(sqlite3* db, int rc)
{
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE)
        return;
    const int code = db ? sqlite3_extended_errcode(db) : rc;
    const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
    throw SqliteError((code & 0xFF) == (rc & 0xFF) ? code : rc, message, file ? QString::fromUtf8(file) : QString());
}

void ThrowJet(HRESULT hr, const QString& description)
{
    throw Jet(hr, description);
}

} // namespace engine
