// A fixture for the engine's tests: a temporary folder, a data file made
// the way the program's files are made (an empty database from JetEngine,
// then the two word tables in Jet's DDL), and short ways to open
// connections and recordsets on it and to look at the file directly with
// SQLite's C API, so that a test sees what really reached the file.
#pragma once

#include "engine/ado/Connection.h"
#include "engine/ado/Field.h"
#include "engine/ado/JetEngine.h"
#include "engine/ado/Recordset.h"
#include "platform/Clock.h"
#include "platform/ComError.h"
#include "platform/OleDateTime.h"
#include "platform/Variant.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <sqlite3.h>
#include <string>

namespace enginetest {

inline constexpr const char* kWordsDdl = "CREATE TABLE Words (ID COUNTER PRIMARY KEY, Word TEXT(255), "
                                         "Pronunciation TEXT(255), Description MEMO, MemoryCycle LONG DEFAULT 1, "
                                         "[Date] DATETIME DEFAULT Now())";
inline constexpr const char* kNewWordsDdl = "CREATE TABLE NewWords (ID COUNTER PRIMARY KEY, Word TEXT(255), "
                                            "Pronunciation TEXT(255), Description MEMO)";

inline QString JetConnection(const QString& path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False;").arg(path);
}

// The ComError a call throws; fails the test when it throws none.
inline platform::ComError ErrorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const platform::ComError& e) {
        return e;
    }
    ADD_FAILURE() << "expected a ComError";
    return platform::ComError(platform::S_OK);
}

inline QString DescriptionOf(const platform::ComError& e)
{
    return e.Description().value_or(QString());
}

inline double Ole(int y, int mo, int d, int h, int mi, int s)
{
    return platform::OleDateTime(y, mo, d, h, mi, s).m_dt;
}

inline std::string Hex(platform::HRESULT hr)
{
    return QString::number(quint32(hr), 16).toStdString();
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        platform::Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(10, 30, 15)));
        m_path = m_dir.filePath(QStringLiteral("db.mdb"));
        engine::JetEngine::Create()->CreateDatabase(JetConnection(m_path));
        m_connection = engine::Connection::Create();
        m_connection->Open(JetConnection(m_path));
        m_connection->Execute(QString::fromLatin1(kWordsDdl), nullptr, engine::adExecuteNoRecords);
        m_connection->Execute(QString::fromLatin1(kNewWordsDdl), nullptr, engine::adExecuteNoRecords);
    }
    void TearDown() override { platform::Clock::Reset(); }

    const QString& Path() const { return m_path; }
    QString ConnectionString() const { return JetConnection(m_path); }
    const std::shared_ptr<engine::Connection>& Db() const { return m_connection; }

    // The recordset the word store opens: static, client-side, optimistic.
    std::shared_ptr<engine::Recordset> Open(
        const QString& sql, long cursorType = engine::adOpenStatic, long lockType = engine::adLockOptimistic)
    {
        auto rs = engine::Recordset::Create();
        rs->SetCursorLocation(engine::adUseClient);
        rs->Open(sql, m_connection, cursorType, lockType, engine::adCmdUnknown);
        return rs;
    }

    void Exec(const QString& jet) { m_connection->Execute(jet, nullptr, engine::adExecuteNoRecords); }

    static platform::Variant Get(const std::shared_ptr<engine::Recordset>& rs, const QString& field)
    {
        return rs->GetFields()->Item(field)->Value();
    }
    static void Put(const std::shared_ptr<engine::Recordset>& rs, const QString& field, const platform::Variant& v)
    {
        rs->GetFields()->Item(field)->PutValue(v);
    }
    static platform::Variant Text(const QString& s) { return platform::Variant::FromBstr(s); }

    // Adds a word through the engine; returns its ID.
    int AddWord(const QString& word, const QString& date = {}, int cycle = 1)
    {
        auto rs = Open(QStringLiteral("SELECT * FROM Words"));
        rs->AddNew();
        Put(rs, QStringLiteral("Word"), Text(word));
        if (!date.isEmpty())
            Put(rs, QStringLiteral("Date"), Text(date));
        Put(rs, QStringLiteral("MemoryCycle"), platform::Variant::FromI4(cycle));
        rs->Update();
        return Get(rs, QStringLiteral("ID")).lVal();
    }

    // One value read straight from the file with SQLite, as text ("<null>"
    // for NULL), bypassing the engine.
    QString Raw(const QString& sql) const
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2(m_path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* stmt = nullptr;
        QString result = QStringLiteral("<no row>");
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) == SQLITE_OK
            && sqlite3_step(stmt) == SQLITE_ROW) {
            result = sqlite3_column_type(stmt, 0) == SQLITE_NULL
                ? QStringLiteral("<null>")
                : QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        } else if (!stmt) {
            result = QStringLiteral("<error: %1>").arg(QString::fromUtf8(sqlite3_errmsg(db)));
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return result;
    }

    // Runs SQLite SQL on the file from a second, plain SQLite connection.
    void RawExec(const QString& sql) const
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2(m_path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        char* message = nullptr;
        const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message);
        EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "");
        sqlite3_free(message);
        sqlite3_close(db);
    }

    QTemporaryDir m_dir;

private:
    QString m_path;
    std::shared_ptr<engine::Connection> m_connection;
};

} // namespace enginetest
