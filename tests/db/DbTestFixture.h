// The shared fixture of the access layer's tests: a fresh data file in a
// temporary folder with a Words table shaped like the program's and a
// Samples table holding one value of each kind the conversions meet; the
// clock fixed; every message box recorded. And the value a recordset's
// field or a parameter reads as, into a variable that held value before;
// a failed read fails the test.
#pragma once

#include "db/CADODataBase.h"
#include "db/CADOParameter.h"
#include "db/CADORecordset.h"
#include "engine/ado/Connection.h"
#include "engine/ado/JetEngine.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class DbTest : public ::testing::Test {
protected:
    static QString ConnectionStringFor(const QString& path)
    {
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False;")
            .arg(QDir::toNativeSeparators(path));
    }

    void SetUp() override
    {
        platform::Clock::SetFixed(QDateTime(QDate(2010, 5, 17), QTime(8, 30, 0)));
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("db.mdb"));
        MakeDataFile(m_path);
        m_messages.Clear();
    }

    void TearDown() override { platform::Clock::Reset(); }

    static void MakeDataFile(const QString& path)
    {
        const QString cs = ConnectionStringFor(path);
        engine::JetEngine::Create()->CreateDatabase(cs);
        const std::shared_ptr<engine::Connection> c = engine::Connection::Create();
        c->Open(cs);
        for (const char* sql : {
                 "CREATE TABLE Words (ID COUNTER PRIMARY KEY, Word TEXT(50) NOT NULL, Pronunciation TEXT(50), "
                 "Description MEMO, [Date] DATETIME, MemoryCycle LONG DEFAULT 1)",
                 "INSERT INTO Words (Word, Pronunciation, Description, [Date], MemoryCycle) "
                 "VALUES ('cat', 'kat', 'a small animal', #2010-05-16#, 1)",
                 "INSERT INTO Words (Word, Pronunciation, Description, [Date], MemoryCycle) "
                 "VALUES ('dog', NULL, 'barks', #2010-05-16#, 2)",
                 "INSERT INTO Words (Word, Pronunciation, Description, [Date], MemoryCycle) "
                 "VALUES ('Cat', 'kat', 'again', #2010-05-17#, 4)",
                 "CREATE TABLE Samples (ID COUNTER PRIMARY KEY, Num LONG, Flag YESNO, Stamp DATETIME, "
                 "Price CURRENCY, Ratio DOUBLE, Note TEXT(50))",
                 "INSERT INTO Samples (Num, Flag, Stamp, Price, Ratio, Note) "
                 "VALUES (70000, True, #2010-05-17 08:30:00#, 12.34, 2.5, NULL)",
             }) {
            c->Execute(QString::fromLatin1(sql), nullptr, engine::adExecuteNoRecords);
        }
        c->Close();
    }

    QString ConnectionString() const { return ConnectionStringFor(m_path); }

    // Opens m_database on the fixture's file.
    void OpenDatabase()
    {
        ASSERT_TRUE(m_database.Open(ConnectionString()));
        ASSERT_TRUE(m_messages.Messages().empty());
    }

    // The one recorded message; fails the test when there is not exactly one.
    QString OnlyMessage() const
    {
        EXPECT_EQ(m_messages.Messages().size(), 1u);
        if (m_messages.Messages().empty())
            return {};
        EXPECT_EQ(m_messages.Messages().front().flags, unsigned { platform::MB_ICONERROR });
        return m_messages.Messages().front().text;
    }

    // Checks that text is a report with the head and the code, and gives
    // its source and description lines.
    static void ExpectReport(const QString& text, const QString& head, std::uint32_t code)
    {
        const QString expectedStart = head
            + QStringLiteral("\r\nCode = %1\r\nCode meaning = %2\r\nSource = ")
                  .arg(code, 8, 16, QLatin1Char('0'))
                  .arg(platform::CodeMeaning(static_cast<platform::HRESULT>(code)));
        EXPECT_TRUE(text.startsWith(expectedStart)) << text.toStdString();
        static const QRegularExpression shape(
            QStringLiteral("^[^\r\n]*\r\nCode = [0-9a-f]{8}\r\nCode meaning = [^\r\n]*\r\nSource = [^\r\n]*\r\n"
                           "Description = [^\r\n]*\r\n$"));
        EXPECT_TRUE(shape.match(text).hasMatch()) << text.toStdString();
    }

    QTemporaryDir m_dir;
    QString m_path;
    platform::RecordingMessageSink m_messages;
    CADODataBase m_database;
};

template <class T> T FieldValue(CADORecordset& rs, const char* name, T value = T {})
{
    EXPECT_TRUE(rs.GetFieldValue(QString::fromLatin1(name), value)) << name;
    return value;
}

template <class T> T ValueOf(CADOParameter& parameter, T value = T {})
{
    EXPECT_TRUE(parameter.GetValue(value));
    return value;
}
