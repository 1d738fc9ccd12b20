// A data file reached through SQLite alone, beside the program: to look at
// a file as it lies (a backup, a file left by a killed writer) without the
// engine converting or recovering anything, and to play another process
// that writes to it. Beside it, any file's bytes as they lie.
#pragma once

#include "platform/FileName.h"

#include <QFile>
#include <QHash>
#include <QStringList>
#include <sqlite3.h>
#include <utility>

class RawDataFile {
public:
    // Read-only opens the file with no journal recovery of its own doing
    // beyond what SQLite must; writable opens it as another program would.
    explicit RawDataFile(const QString& path, bool writable = false)
    {
        const int flags = writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
        if (sqlite3_open_v2(platform::EncodeFileName(path).constData(), &m_db, flags, nullptr) == SQLITE_OK)
            sqlite3_busy_timeout(m_db, 20000);
        else
            sqlite3_close(std::exchange(m_db, nullptr));
    }
    ~RawDataFile() { sqlite3_close(m_db); }
    RawDataFile(const RawDataFile&) = delete;
    RawDataFile& operator=(const RawDataFile&) = delete;

    sqlite3* Handle() const { return m_db; }
    bool Exec(const QString& sql) const
    {
        return m_db && sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    QString IntegrityCheck() const
    {
        const QStringList rows = Column("PRAGMA integrity_check");
        return rows.isEmpty() ? QStringLiteral("cannot be read") : rows.join(u'\n');
    }
    // How often each word stands in the two tables together.
    QHash<QString, int> WordCounts() const
    {
        QHash<QString, int> counts;
        for (const QString& word : Column("SELECT Word FROM NewWords UNION ALL SELECT Word FROM Words"))
            ++counts[word];
        return counts;
    }
    QStringList Column(const char* sql) const
    {
        QStringList values;
        sqlite3_stmt* st = nullptr;
        if (m_db && sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW)
                values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        }
        sqlite3_finalize(st);
        return values;
    }

    // Adds words to NewWords with descriptions of several pages each,
    // inside whatever transaction is open.
    bool AddLongWords(const QString& prefix, int count) const
    {
        for (int i = 0; i < count; ++i) {
            if (!Exec(QStringLiteral("INSERT INTO NewWords (Word, Description) VALUES ('%1%2', '%3')")
                          .arg(prefix)
                          .arg(i)
                          .arg(QString(9000, QChar(u'a' + i % 26)))))
                return false;
        }
        return true;
    }

private:
    sqlite3* m_db = nullptr;
};

// The words AddLongWords(prefix, count) adds, each once.
inline QHash<QString, int> LongWords(const QString& prefix, int count)
{
    QHash<QString, int> words;
    for (int i = 0; i < count; ++i)
        words[prefix + QString::number(i)] = 1;
    return words;
}

// A file's bytes, or "<missing>" when it cannot be read.
inline QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes a file afresh; false when any of it could not be written.
inline bool WriteFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
