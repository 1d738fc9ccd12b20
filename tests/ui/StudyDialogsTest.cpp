// The study dialogs on real data files: the review dialog through to the
// end-of-list placeholders and its failure messages, "Modify" with a hidden
// edit, the add-word dialog's success and duplicate, the count dialog, and
// paging through the learn selection.
#include "platform/MessageBox.h"
#include "ui/AppWordStore.h"
#include "ui/CAddLearnCountDlg.h"
#include "ui/CAddWordDlg.h"
#include "ui/CLearnDlg.h"
#include "ui/CReviewDlg.h"
#include "ui/DialogDriver.h"
#include "ui/QtTestRegistry.h"
#include "ui/StudyDataFile.h"
#include "ui/res/ResourceIds.h"
#include "ui/res/WindowText.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <memory>

using namespace dialog_driver;

namespace {

QString Text(QWidget* dialog, int id)
{
    return res::GetWindowText(res::ControlById(dialog, id));
}

void SetText(QWidget* dialog, int id, const QString& text)
{
    res::SetWindowText(res::ControlById(dialog, id), text);
}

// The card a study dialog shows: ID, interval, word, pronunciation,
// description.
QStringList Card(QWidget* dialog)
{
    return { Text(dialog, 1007), Text(dialog, 1009), Text(dialog, 1000), Text(dialog, 1002), Text(dialog, 1001) };
}

} // namespace

class StudyDialogsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<StudyDataFile> m_file;
    std::unique_ptr<CWordStore> m_store;
    std::unique_ptr<platform::RecordingMessageSink> m_messages;

private slots:
    void init()
    {
        m_file = std::make_unique<StudyDataFile>();
        m_store = std::make_unique<CWordStore>();
        m_messages = std::make_unique<platform::RecordingMessageSink>();
        SetAppWordStore(m_store.get());
        QVERIFY(m_store->OpenDatabase());
    }

    void cleanup()
    {
        SetAppWordStore(nullptr);
        m_store.reset();
        m_messages.reset();
        m_file.reset();
    }

    void ReviewRunsToThePlaceholdersAndThenFails()
    {
        QVERIFY(StudyDataFile::AddStudyWord(*m_store, "apple", "AE-pl", "fruit", 0, 2));
        QVERIFY(StudyDataFile::AddStudyWord(*m_store, "river", "RI-ver", "water", 5, 10));
        QVERIFY(m_store->OpenReviewList());

        CReviewDlg dlg;
        QStringList shown;
        WhenModal([&](QWidget* modal) {
            QCOMPARE(modal->windowTitle(), QStringLiteral("Pattern of learned"));
            QCOMPARE(res::ControlId(QApplication::focusWidget()), 1000);
            QCOMPARE(res::ControlById(modal, 1002)->font().family(), QStringLiteral("Lucida Sans Unicode"));
            const QStringList first = Card(modal);
            QCOMPARE(first.mid(2, 1), QStringList { m_store->GetWord() });
            shown << first[2];
            QVERIFY(first[0].toInt() > 0);
            Click(modal, 1003); // Remember
            const QStringList second = Card(modal);
            shown << second[2];
            QVERIFY(second[0] != first[0]);
            Click(modal, 1004); // Forgotten: the last card
            const QStringList placeholders = { "-1", "-1", "(Null)", "(Null)", "(Null)" };
            QCOMPARE(Card(modal), placeholders);
            QVERIFY(m_messages->Messages().empty());

            Click(modal, 1003);
            Click(modal, 1004);
            Click(modal, 1010);
            // At the end of the list "Modify" fails inside the database
            // layer, whose report comes before the dialog's own message.
            QCOMPARE(Shown(*m_messages, true),
                QStringList({ "Failed to Remember Current Word. [16]", "Failed to Forgotten Current Word. [16]",
                    "CADORecordset Error [16]", "Failed to modify current word. [16]" }));
            QCOMPARE(Card(modal), placeholders);
            QVERIFY(modal->isVisible());
            Key(modal, Qt::Key_Escape);
        });
        QCOMPARE(dlg.DoModal(), 2);
        shown.sort();
        QCOMPARE(shown, QStringList({ "apple", "river" }));

        // Both answers were saved: the forgotten card (the second shown) is
        // in today's learn selection with interval 1; the remembered one,
        // now due in days, is in neither selection.
        QVERIFY(m_store->OpenLearnList());
        QCOMPARE(m_store->GetWordCount(), 1ul);
        QCOMPARE(m_store->GetMemoryCycle(), QStringLiteral("1"));
        const QString forgotten = m_store->GetWord();
        QVERIFY(!m_store->OpenReviewList());
        QCOMPARE(m_store->GetWordCount(), 0ul);
        QVERIFY(shown.contains(forgotten));
    }

    // Another running copy answered the card first: the answer is refused
    // and the card redrawn as the file now holds it, ready to be answered.
    void RefusedAnswerRedrawsTheCardAsTheFileHoldsIt()
    {
        QVERIFY(StudyDataFile::AddStudyWord(*m_store, "apple", "AE-pl", "fruit", 4, 10));
        QVERIFY(m_store->OpenReviewList());
        QVERIFY(m_store->m_database.Execute(
            QStringLiteral("UPDATE Words SET MemoryCycle = 8, Description = 'answered elsewhere'")));

        CReviewDlg dlg;
        WhenModal([&](QWidget* modal) {
            QCOMPARE(Card(modal).mid(1), QStringList({ "4", "apple", "AE-pl", "fruit" }));
            Click(modal, 1003); // Remember
            QCOMPARE(Shown(*m_messages, true),
                QStringList({ "CADORecordset Error [16]", "Failed to Remember Current Word. [16]" }));
            QVERIFY(Shown(*m_messages)[0].contains(QStringLiteral("Row cannot be located for updating")));
            QCOMPARE(Card(modal).mid(1), QStringList({ "8", "apple", "AE-pl", "answered elsewhere" }));
            Click(modal, 1003);
            QCOMPARE(m_messages->Messages().size(), size_t(2));
            QCOMPARE(Card(modal).mid(1), QStringList({ "-1", "(Null)", "(Null)", "(Null)" }));
            Key(modal, Qt::Key_Escape);
        });
        dlg.DoModal();
        // The second answer doubled the interval the file held.
        QVERIFY(m_store->m_database.Execute(QStringLiteral("UPDATE Words SET Word = Word WHERE MemoryCycle = 16")));
        QCOMPARE(m_store->m_database.GetRecordsAffected(), 1);
    }

    void ModifyWritesAHiddenWordEditToo()
    {
        QVERIFY(StudyDataFile::AddStudyWord(*m_store, "apple", "AE-pl", "fruit", 1, 1));
        QVERIFY(StudyDataFile::AddStudyWord(*m_store, "river", "RI-ver", "water", 1, 1));
        QVERIFY(m_store->OpenReviewList());
        const QString firstWord = m_store->GetWord();

        CReviewDlg dlg;
        WhenModal([&](QWidget* modal) {
            QWidget* word = res::ControlById(modal, 1000);
            Click(modal, 1014); // "Word:" hides the word
            QVERIFY(word->isHidden());
            SetText(modal, 1002, QStringLiteral("new pronunciation"));
            SetText(modal, 1001, QStringLiteral("line one\r\nline two"));
            Click(modal, 1010);
            QCOMPARE(Shown(*m_messages), QStringList { "Modify current word successfully. [64]" });
            QCOMPARE(Text(modal, 1000), firstWord);
            QCOMPARE(Text(modal, 1002), QStringLiteral("new pronunciation"));
            QCOMPARE(Text(modal, 1001), QStringLiteral("line one\r\nline two"));
            QVERIFY(word->isHidden());

            // A hidden edit stays hidden on the next card; its label shows it.
            Click(modal, 1012);
            QVERIFY(res::ControlById(modal, 1001)->isHidden());
            Click(modal, 1004); // Forgotten: into today's learn selection
            QVERIFY(Text(modal, 1000) != firstWord);
            QVERIFY(word->isHidden());
            QVERIFY(res::ControlById(modal, 1001)->isHidden());
            Click(modal, 1014);
            QVERIFY(!word->isHidden());
            modal->windowHandle()->close();
        });
        QCOMPARE(dlg.DoModal(), 2);

        // Stored as written, the hidden word unchanged.
        QVERIFY(m_store->OpenLearnList());
        QCOMPARE(m_store->GetWordCount(), 1ul);
        QCOMPARE(m_store->GetWord(), firstWord);
        QCOMPARE(m_store->GetPronunciation(), QStringLiteral("new pronunciation"));
        QCOMPARE(m_store->GetDescription(), QStringLiteral("line one\r\nline two"));

        // The next showing starts with every edit visible.
        QVERIFY(m_store->OpenReviewList());
        WhenModal([&](QWidget* modal) {
            QVERIFY(!res::ControlById(modal, 1000)->isHidden());
            QVERIFY(!res::ControlById(modal, 1001)->isHidden());
            QVERIFY(Text(modal, 1000) != firstWord);
            Key(modal, Qt::Key_Escape);
        });
        QCOMPARE(dlg.DoModal(), 2);
    }

    void AddWordClearsAfterSuccessAndKeepsADuplicate()
    {
        CAddWordDlg dlg;
        WhenModal([&](QWidget* modal) {
            QCOMPARE(modal->windowTitle(), QStringLiteral("Add New Work"));
            QCOMPARE(res::ControlById(modal, 1002)->font().family(), QStringLiteral("Lucida Sans Unicode"));
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("apple"));
            Key(modal, Qt::Key_Tab);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("AE-pl"));
            Key(modal, Qt::Key_Tab);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("a fruit"));
            Key(modal, Qt::Key_Return); // a new line, not OK
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("red or green"));
            Click(modal, 1011);
            QCOMPARE(Shown(*m_messages), QStringList { "Add new words successfully. [64]" });
            for (int id : { 1000, 1002, 1001 })
                QCOMPARE(Text(modal, id), QString());

            SetText(modal, 1000, QStringLiteral("apple"));
            SetText(modal, 1002, QStringLiteral("again"));
            Click(modal, 1011);
            QCOMPARE(Shown(*m_messages),
                QStringList({ "Add new words successfully. [64]", "Failed to add new word. [16]" }));
            QCOMPARE(Text(modal, 1000), QStringLiteral("apple"));
            QCOMPARE(Text(modal, 1002), QStringLiteral("again"));

            // Enter in the word edit closes without adding.
            SetText(modal, 1000, QStringLiteral("pear"));
            res::ControlById(modal, 1000)->setFocus();
            Key(modal, Qt::Key_Return);
        });
        QCOMPARE(dlg.DoModal(), 1);
        QCOMPARE(m_messages->Messages().size(), size_t(2));

        // One word, with its description's line break, went into the list
        // of new words.
        QCOMPARE(m_store->AddWordsToList(10), 1);
        QVERIFY(m_store->OpenLearnList());
        QCOMPARE(m_store->GetWord(), QStringLiteral("apple"));
        QCOMPARE(m_store->GetDescription(), QStringLiteral("a fruit\r\nred or green"));
    }

    void CountDialogTakesWordsIntoStudy()
    {
        for (const char* word : { "one", "two", "three" })
            QVERIFY(m_store->AddNewWord(QString::fromLatin1(word), QString(), QString()));
        m_messages->Clear();

        CAddLearnCountDlg dlg;
        WhenModal([&](QWidget* modal) {
            QCOMPARE(modal->windowTitle(), QStringLiteral("Add New Words For Learned"));
            auto* edit = qobject_cast<QLineEdit*>(res::ControlById(modal, 1019));
            QCOMPARE(QApplication::focusWidget(), edit);
            QCOMPARE(Text(modal, -1), QStringLiteral("Please Input the number of  new  words:"));
            QVERIFY(qobject_cast<QPushButton*>(res::ControlById(modal, 1018))->isDefault());

            Click(modal, 1018); // empty: 0 words
            SetText(modal, 1019, QStringLiteral("12abc"));
            edit->setFocus();
            Key(modal, Qt::Key_Return); // Enter presses "Add": all three
            QCOMPARE(Text(modal, 1019), QString());
            QCOMPARE(QApplication::focusWidget(), edit);
            QTest::keyClicks(edit, QStringLiteral("5x-")); // digits only
            QCOMPARE(Text(modal, 1019), QStringLiteral("5"));
            Key(modal, Qt::Key_Return); // none left
            QCOMPARE(QApplication::focusWidget(), edit);
            QVERIFY(modal->isVisible());
            Key(modal, Qt::Key_Escape);
        });
        QCOMPARE(dlg.DoModal(), 2);
        QCOMPARE(Shown(*m_messages),
            QStringList({ "Successfully added 0 words to the word list. [64]",
                "Successfully added 3 words to the word list. [64]",
                "Successfully added 0 words to the word list. [64]" }));
        QVERIFY(m_store->OpenLearnList());
        QCOMPARE(m_store->GetWordCount(), 3ul);
    }

    void LearnPagesAndStopsAtBothEnds()
    {
        for (const char* word : { "one", "two", "three" })
            QVERIFY(StudyDataFile::AddStudyWord(*m_store, QString::fromLatin1(word), "p", "d", 1, 0));
        QVERIFY(m_store->OpenLearnList());

        CLearnDlg dlg;
        WhenModal([&](QWidget* modal) {
            QCOMPARE(res::ControlId(QApplication::focusWidget()), 1000);
            const QStringList first = Card(modal);
            QCOMPARE(first[1], QStringLiteral("1"));
            Click(modal, 1015); // Previous on the first card
            QCOMPARE(Card(modal), first);
            Click(modal, 1016);
            const QStringList second = Card(modal);
            QVERIFY(second[2] != first[2]);
            Click(modal, 1014); // hide the word, then page
            Click(modal, 1016);
            const QStringList third = Card(modal);
            QVERIFY(third[2] != second[2] && third[2] != first[2]);
            QVERIFY(res::ControlById(modal, 1000)->isHidden());
            Click(modal, 1016); // Next on the last card
            QCOMPARE(Card(modal), third);
            Click(modal, 1015);
            QCOMPARE(Card(modal), second);
            QVERIFY(m_messages->Messages().empty());

            // The window menu carries the About item here too.
            QCOMPARE(MenuItems(dlg.GetSystemMenu()),
                QStringList({ "61472 Mi&nimize", "61536 &Close", "-", "16 关于 Lexitrain(&A)..." }));
            Click(modal, 2); // "Cancle"
        });
        QCOMPARE(dlg.DoModal(), 2);
    }
};

static const QtTestRegistration<StudyDialogsTest> registration;

#include "StudyDialogsTest.moc"
