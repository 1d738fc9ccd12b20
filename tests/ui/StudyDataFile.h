// A data file of its own for each dialog or main-loop test: a temporary
// folder standing in for the executable's folder, an empty db.mdb made with
// the program's schema, the clock fixed at noon on 5 March 2024, and a way
// to put cards into study with a given interval and date; and the message
// boxes shown, each as "text [flags]".
#pragma once

#include "platform/Clock.h"
#include "platform/ExecutablePath.h"
#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "store/DataFileSchema.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QtTest>

class StudyDataFile {
public:
    static QDateTime Now() { return QDateTime(QDate(2024, 3, 5), QTime(12, 0, 0)); }

    explicit StudyDataFile(bool makeDataFile = true)
    {
        platform::SetExecutableFilePathForTesting(m_dir.filePath(QStringLiteral("lexitrain")));
        platform::Clock::SetFixed(Now());
        if (makeDataFile)
            CreateDataFile(Path(QStringLiteral("db.mdb")));
    }
    ~StudyDataFile()
    {
        platform::ClearExecutableFilePathOverride();
        platform::Clock::Reset();
    }
    StudyDataFile(const StudyDataFile&) = delete;
    StudyDataFile& operator=(const StudyDataFile&) = delete;

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // A card in study on an open store: interval memoryCycle, last studied
    // daysAgo days before the clock's today.
    static bool AddStudyWord(CWordStore& store, const QString& word, const QString& pronunciation,
        const QString& description, int memoryCycle, int daysAgo)
    {
        const QDate date = Now().date().addDays(-daysAgo);
        return store.m_database.Execute(
            QStringLiteral("INSERT INTO Words (Word, Pronunciation, Description, MemoryCycle, [Date]) "
                           "VALUES ('%1', '%2', '%3', %4, #%5#)")
                .arg(word, pronunciation, description)
                .arg(memoryCycle)
                .arg(date.toString(QStringLiteral("yyyy-MM-dd"))));
    }

private:
    QTemporaryDir m_dir;
};

// With headsOnly, an error report shows as its first line.
inline QStringList Shown(const platform::RecordingMessageSink& sink, bool headsOnly = false)
{
    QStringList all;
    for (const auto& m : sink.Messages())
        all << QStringLiteral("%1 [%2]")
                   .arg(headsOnly ? m.text.section(QStringLiteral("\r\n"), 0, 0) : m.text)
                   .arg(m.flags);
    return all;
}
