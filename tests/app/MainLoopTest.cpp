// The application object on real data files: start-up (backup, open) and
// the main loop's dispatch, first with scripted main-menu results, then
// with the real dialogs; and the entry function's sequence with its outer
// report of a COM error that nobody caught.
#include "app/AfxWinMain.h"
#include "app/CLexitrainApp.h"
#include "platform/ComError.h"
#include "platform/MessageBox.h"
#include "ui/DialogDriver.h"
#include "ui/QtTestRegistry.h"
#include "ui/StudyDataFile.h"
#include "ui/res/ResourceIds.h"
#include "ui/res/WindowText.h"

#include <QFile>
#include <deque>
#include <memory>

using namespace dialog_driver;
using platform::MB_ICONERROR;
using platform::MB_ICONINFORMATION;

namespace {

// Main-menu results played back one per showing; counts the showings.
class MenuScript {
public:
    MenuScript(std::initializer_list<int> results)
        : m_results(results)
    {
    }
    std::function<int()> Function()
    {
        return [this] {
            ++m_shown;
            if (m_results.empty())
                return 2;
            const int result = m_results.front();
            m_results.pop_front();
            return result;
        };
    }
    int Shown() const { return m_shown; }

private:
    std::deque<int> m_results;
    int m_shown = 0;
};

struct Message {
    QString text;
    unsigned flags;
    bool operator==(const Message&) const = default;
};

char* toString(const Message& m)
{
    return QTest::toString(QStringLiteral("%1 [%2]").arg(m.text).arg(m.flags));
}

} // namespace

class MainLoopTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StudyDataFile> m_file;
    std::unique_ptr<platform::RecordingMessageSink> m_messages;

    QList<Message> Messages() const
    {
        QList<Message> all;
        for (const auto& m : m_messages->Messages())
            all.append({ m.text, m.flags });
        return all;
    }

    // Starts the application on the test's data file, as InitInstance
    // does, with the main menu scripted.
    bool Start(MenuScript& script)
    {
        theApp.m_mainMenuOverride = script.Function();
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
        MenuScript exit { 2 };
        QVERIFY(!Start(exit));
        QCOMPARE(exit.Shown(), 1);
        QVERIFY(m_messages->Messages().empty());
        QVERIFY(QFile::exists(m_file->Path(QStringLiteral("Backup/db.2024.03.05.12.00.00.MDB"))));
        theApp.ExitInstance();

        for (int code : { 1, -1, 999, 1004 }) {
            m_messages->Clear();
            MenuScript unknown { code, 2 };
            theApp.RunMainLoop(unknown.Function());
            QCOMPARE(unknown.Shown(), 1);
            QCOMPARE(Messages(), (QList<Message> { { "Error: Invalid ID.", MB_ICONERROR } }));
        }
    }

    void FailedStartShowsNoMainMenu()
    {
        // No data file: the backup fails, nothing else runs.
        QVERIFY(QFile::remove(m_file->Path(QStringLiteral("db.mdb"))));
        MenuScript never { 2 };
        QVERIFY(!Start(never));
        QCOMPARE(never.Shown(), 0);
        QCOMPARE(Messages(), (QList<Message> { { "Error: Failed to backup data file. (CopyFile)", MB_ICONERROR } }));

        // The real main menu is not built either: nothing modal comes up.
        m_messages->Clear();
        theApp.m_mainMenuOverride = nullptr;
        bool menuShown = false;
        const QPointer<QTimer> watch = WhenModal([&](QWidget* modal) {
            menuShown = true;
            Click(modal, 2);
        });
        QVERIFY(!theApp.InitInstance());
        QCoreApplication::processEvents();
        QVERIFY(!menuShown);
        delete watch.data();
        QCOMPARE(Messages().size(), 1);

        // A file that is no database: the backup succeeds, the open fails
        // with the connection's report, and the menu never shows.
        m_messages->Clear();
        QFile garbage(m_file->Path(QStringLiteral("db.mdb")));
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write("this is not a database");
        garbage.close();
        platform::Clock::Advance(1);
        MenuScript notShown { 2 };
        QVERIFY(!Start(notShown));
        QCOMPARE(notShown.Shown(), 0);
        QCOMPARE(Messages().size(), 1);
        QVERIFY(Messages()[0].text.startsWith(QStringLiteral("CADODataBase Error\r\n")));
        QCOMPARE(Messages()[0].flags, unsigned(MB_ICONERROR));
    }

    void EmptySelectionsSayThereIsNothingToStudy()
    {
        MenuScript script { 1000, 1001, 2 };
        QVERIFY(!Start(script));
        QCOMPARE(script.Shown(), 3);
        QCOMPARE(Messages(),
            (QList<Message> { { "No words need to review today.", MB_ICONINFORMATION },
                { "New word list without any word, please add new words.", MB_ICONERROR } }));
    }

    void FailedSelectionsSaySoAndTheLoopGoesOn()
    {
        // A data file without the Words table: the selection cannot be
        // opened, the recordset reports it, and the loop says the list
        // could not be had — with the information icon after a review,
        // with no icon after learning — and shows the main menu again.
        {
            CWordStore store;
            QVERIFY(store.OpenDatabase());
            QVERIFY(store.m_database.Execute(QStringLiteral("DROP TABLE Words")));
            store.CloseDatabase();
        }
        MenuScript script { 1000, 1001, 2 };
        QVERIFY(!Start(script));
        QCOMPARE(script.Shown(), 3);
        const QList<Message> messages = Messages();
        QCOMPARE(messages.size(), 4);
        QVERIFY(messages[0].text.startsWith(QStringLiteral("CADORecordset Error\r\n")));
        QCOMPARE(messages[1], (Message { "Failure to get the word list.", MB_ICONINFORMATION }));
        QVERIFY(messages[2].text.startsWith(QStringLiteral("CADORecordset Error\r\n")));
        QCOMPARE(messages[3], (Message { "Failure to get the word list.", platform::MB_OK }));
    }

    void UncaughtComErrorEndsThroughTheOuterReport()
    {
        // A COM error that no layer catches leaves the loop; the entry
        // function reports it with the head "Error" and ends with 0,
        // without ExitInstance or the framework's clean-up.
        theApp.m_mainMenuOverride = []() -> int {
            throw platform::ComError(platform::DB_E_NOTABLE, QStringLiteral("No table."),
                QStringLiteral("Microsoft JET Database Engine"));
        };
        bool terminated = false;
        const int exitCode = RunApplication(theApp, [] { return true; }, [&] { terminated = true; });
        QCOMPARE(exitCode, 0);
        QVERIFY(!terminated);
        QCOMPARE(Messages(),
            (QList<Message> { { "Error\r\nCode = 80040e37\r\nCode meaning = IDispatch error #3127\r\n"
                                "Source = Microsoft JET Database Engine\r\nDescription = No table.\r\n",
                MB_ICONERROR } }));
        QVERIFY(theApp.m_wordStore.m_database.IsOpen()); // no ExitInstance on this path
    }

    void EntrySequenceRunsStartUpAndCleanUp()
    {
        MenuScript script { 2 };
        theApp.m_mainMenuOverride = script.Function();
        bool terminated = false;
        QCOMPARE(RunApplication(
                     theApp, [] { return true; }, [&] { terminated = true; }),
            0);
        QVERIFY(terminated);
        QCOMPARE(script.Shown(), 1);
        QVERIFY(!theApp.m_wordStore.m_database.IsOpen()); // ExitInstance closed it

        // A framework that cannot start: straight to clean-up, still 0.
        terminated = false;
        QCOMPARE(RunApplication(
                     theApp, [] { return false; }, [&] { terminated = true; }),
            0);
        QVERIFY(terminated);
        QCOMPARE(script.Shown(), 1);
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
