// The application object on real data files: start-up (backup, open) and
// the main loop's dispatch, first with scripted main-menu results, then
// with the real dialogs; and the entry function's sequence with its outer
// report of a COM error that nobody caught.
#include "app/AfxWinMain.h"
#include "app/CLexitrainApp.h"
#include "platform/ComError.h"
#include "platform/MessageBox.h"
#include "ui/AppWordStore.h"
#include "ui/DialogDriver.h"
#include "ui/QtTestRegistry.h"
#include "ui/StudyDataFile.h"
#include "ui/res/ResourceIds.h"
#include "ui/res/WindowText.h"

#include <QFile>
#include <memory>

using namespace dialog_driver;

namespace {

// Main-menu results played back one per showing (then Exit); counts the
// showings in shown.
std::function<int()> Script(std::initializer_list<int> results, int& shown)
{
    return [results = QList<int>(results), &shown] { return results.value(shown++, 2); };
}

} // namespace

class MainLoopTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StudyDataFile> m_file;
    std::unique_ptr<platform::RecordingMessageSink> m_messages;

    // Starts the application on the test's data file, as InitInstance
    // does, with the main menu scripted.
    bool Start(std::initializer_list<int> results, int& shown)
    {
        theApp.m_mainMenuOverride = Script(results, shown);
        return theApp.InitInstance();
    }

private slots:
    void init()
    {
        m_file = std::make_unique<StudyDataFile>();
        m_messages = std::make_unique<platform::RecordingMessageSink>();
    }

    void cleanup()
    {
        theApp.ExitInstance();
        theApp.m_mainMenuOverride = nullptr;
        m_messages.reset();
        m_file.reset();
    }

    void ExitEndsQuietlyAndUnknownCodesAreReported()
    {
        int shown = 0;
        QVERIFY(!Start({ 2 }, shown));
        QCOMPARE(shown, 1);
        QVERIFY(m_messages->Messages().empty());
        QVERIFY(QFile::exists(m_file->Path(QStringLiteral("Backup/db.2024.03.05.12.00.00.MDB"))));
        theApp.ExitInstance();

        for (int code : { 1, -1, 999, 1004 }) {
            m_messages->Clear();
            shown = 0;
            theApp.RunMainLoop(Script({ code, 2 }, shown));
            QCOMPARE(shown, 1);
            QCOMPARE(Shown(*m_messages), QStringList { "Error: Invalid ID. [16]" });
        }
    }

    void FailedStartShowsNoMainMenu()
    {
        // No data file: the backup fails, nothing else runs.
        QVERIFY(QFile::remove(m_file->Path(QStringLiteral("db.mdb"))));
        int shown = 0;
        QVERIFY(!Start({ 2 }, shown));
        QCOMPARE(shown, 0);
        QCOMPARE(Shown(*m_messages), QStringList { "Error: Failed to backup data file. (CopyFile) [16]" });

        // A file that is no database: the backup succeeds, the open fails
        // with the connection's report, and the menu never shows.
        m_messages->Clear();
        QFile garbage(m_file->Path(QStringLiteral("db.mdb")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("this is not a database");
        garbage.close();
        platform::Clock::Advance(1);
        QVERIFY(!Start({ 2 }, shown));
        QCOMPARE(shown, 0);
        QCOMPARE(Shown(*m_messages, true), QStringList { "CADODataBase Error [16]" });
    }

    void SelectionsWithoutCardsSaySoAndTheLoopGoesOn()
    {
        int shown = 0;
        QVERIFY(!Start({ 1000, 1001, 2 }, shown));
        QCOMPARE(shown, 3);
        QCOMPARE(Shown(*m_messages),
            QStringList({ "No words need to review today. [64]",
                "New word list without any word, please add new words. [16]" }));

        // A data file without the Words table: the selection cannot be
        // opened, the recordset reports it, and the loop says the list
        // could not be had — with the information icon after a review,
        // with no icon after learning — and shows the main menu again.
        theApp.ExitInstance();
        {
            CWordStore store;
            QVERIFY(store.OpenDatabase());
            QVERIFY(store.m_database.Execute(QStringLiteral("DROP TABLE Words")));
            store.CloseDatabase();
        }
        m_messages->Clear();
        platform::Clock::Advance(1);
        shown = 0;
        QVERIFY(!Start({ 1000, 1001, 2 }, shown));
        QCOMPARE(shown, 3);
        QCOMPARE(Shown(*m_messages, true),
            QStringList({ "CADORecordset Error [16]", "Failure to get the word list. [64]", "CADORecordset Error [16]",
                "Failure to get the word list. [0]" }));
    }

    void EntrySequenceRunsStartUpAndCleanUpOrReportsAComError()
    {
        int shown = 0;
        theApp.m_mainMenuOverride = Script({ 2 }, shown);
        bool terminated = false;
        QCOMPARE(RunApplication(
                     theApp, [] { return true; }, [&] { terminated = true; }),
            0);
        QVERIFY(terminated);
        QCOMPARE(shown, 1);
        QVERIFY(!theApp.m_wordStore.m_database.IsOpen()); // ExitInstance closed it

        // A framework that cannot start: straight to clean-up, still 0.
        terminated = false;
        QCOMPARE(RunApplication(
                     theApp, [] { return false; }, [&] { terminated = true; }),
            0);
        QVERIFY(terminated);
        QCOMPARE(shown, 1);

        // A COM error that no layer catches leaves the loop; the entry
        // function reports it with the head "Error" and ends with 0,
        // without ExitInstance or the framework's clean-up.
        theApp.m_mainMenuOverride = []() -> int {
            throw platform::ComError(
                platform::DB_E_NOTABLE, QStringLiteral("No table."), QStringLiteral("Microsoft JET Database Engine"));
        };
        platform::Clock::Advance(1); // a fresh backup name
        terminated = false;
        QCOMPARE(RunApplication(
                     theApp, [] { return true; }, [&] { terminated = true; }),
            0);
        QVERIFY(!terminated);
        QCOMPARE(Shown(*m_messages),
            QStringList { "Error\r\nCode = 80040e37\r\nCode meaning = IDispatch error #3127\r\n"
                          "Source = Microsoft JET Database Engine\r\nDescription = No table.\r\n [16]" });
        QVERIFY(theApp.m_wordStore.m_database.IsOpen()); // no ExitInstance on this path

        // Another application object, going, takes its store back from the
        // dialogs, but leaves one that someone else set meanwhile.
        CWordStore elsewhere;
        for (CWordStore* setMeanwhile : { static_cast<CWordStore*>(nullptr), &elsewhere }) {
            {
                CLexitrainApp other;
                if (setMeanwhile)
                    SetAppWordStore(setMeanwhile);
            }
            QCOMPARE(SetAppWordStore(&theApp.m_wordStore), setMeanwhile);
        }
    }

    void RealMainMenuDispatchesToTheRealDialogs()
    {
        {
            CWordStore store;
            QVERIFY(store.OpenDatabase());
            QVERIFY(StudyDataFile::AddStudyWord(store, "apple", "AE-pl", "fruit", 1, 1));
            QVERIFY(StudyDataFile::AddStudyWord(store, "pear", "PAIR", "fruit", 1, 0));
        }
        theApp.m_mainMenuOverride = nullptr;
        QStringList seen;
        // Each step: on the main menu press a button, then answer the dialog
        // it opens; at the end "&Exit".
        const QList<std::pair<int, QString>> steps = { { 1012, "Pattern of learned" }, { 1013, "Pattern of learned" },
            { 1011, "Add New Work" }, { 3, "Add New Words For Learned" } };
        std::function<void(int)> step = [&](int i) {
            WhenModal([&, i](QWidget* menu) {
                seen << menu->windowTitle();
                if (i == steps.size()) {
                    Click(menu, 2);
                    return;
                }
                WhenModal(
                    [&, i, menu](QWidget* dialog) {
                        seen << dialog->windowTitle() + QLatin1Char(':')
                                + res::GetWindowText(res::ControlById(dialog, 1000));
                        step(i + 1);
                        Key(dialog, Qt::Key_Escape);
                    },
                    menu);
                Click(menu, steps[i].first);
            });
        };
        step(0);
        QVERIFY(!theApp.InitInstance());
        QCOMPARE(seen,
            QStringList({ "Lexitrain 0.01 beta", "Pattern of learned:apple", "Lexitrain 0.01 beta",
                "Pattern of learned:pear", "Lexitrain 0.01 beta", "Add New Work:", "Lexitrain 0.01 beta",
                "Add New Words For Learned:", "Lexitrain 0.01 beta" }));
        QVERIFY(m_messages->Messages().empty());
    }
};

static const QtTestRegistration<MainLoopTest> registration;

#include "MainLoopTest.moc"
