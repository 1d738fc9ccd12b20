// The template mechanism under any dialog: dialog units to pixels, controls
// found by ID in tab order, and the framework's keys in a dialog that has
// single-line edits, a want-return description and no default button (the
// add-word template, built bare, without its dialog class).
#include "platform/ComError.h"
#include "ui/CBaseDialog.h"
#include "ui/CFontEdit.h"
#include "ui/DialogDriver.h"
#include "ui/QtTestRegistry.h"
#include "ui/res/DialogBuilder.h"
#include "ui/res/MultiLineEdit.h"
#include "ui/res/ResourceIds.h"
#include "ui/res/StringTable.h"
#include "ui/res/WindowText.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace dialog_driver;

namespace {

// A dialog whose button handler fails the way a database call does.
class FailingDialog : public CBaseDialog {
public:
    FailingDialog()
        : CBaseDialog(res::IDD_ADDLEARNCOUNT, nullptr)
    {
    }

protected:
    bool OnCommand(int nID) override
    {
        if (nID == res::IDC_ADD_COUNT)
            throw platform::ComError(platform::E_FAIL, QStringLiteral("disk gone"), QStringLiteral("test"));
        return CBaseDialog::OnCommand(nID);
    }
};

} // namespace

class DialogTemplateTest : public QObject {
    Q_OBJECT
private slots:
    void DialogUnitsScaleWithTheFont()
    {
        QCOMPARE(res::MulDiv(9, 96, 72), 12);
        QCOMPARE(res::MulDiv(9, 120, 72), 15);
        QCOMPARE(res::MulDiv(7, 1, 2), 4); // halves round away from zero
        QCOMPARE(res::MulDiv(-7, 1, 2), -4);
        QCOMPARE(res::MulDiv(1, 1, 0), -1);
        // With the base units of a 9-point SimSun on Windows (6 x 12), the
        // main menu is the familiar 633 x 300 pixels.
        QCOMPARE(res::MapDialogRect(QRect(0, 0, 422, 200), QSize(6, 12)), QRect(0, 0, 633, 300));
        QCOMPARE(res::MapDialogRect(QRect(38, 52, 105, 40), QSize(6, 12)), QRect(57, 78, 158, 60));
        QFont big(QStringLiteral("宋体"));
        big.setPointSize(18);
        QFont small(QStringLiteral("宋体"));
        small.setPointSize(9);
        QVERIFY(res::DialogBaseUnits(big, nullptr).height() > res::DialogBaseUnits(small, nullptr).height());
    }

    void UnknownTemplateGivesMinusOne()
    {
        CBaseDialog dlg(4711, nullptr);
        QCOMPARE(dlg.DoModal(), -1);
        QVERIFY(!res::FindDialogTemplate(4711));
        QVERIFY(res::LoadResourceString(4711).isEmpty());
    }

    void ControlsAreFoundByIdInTabOrder()
    {
        CBaseDialog dlg(res::IDD_ADDWORD, nullptr);
        WhenModal([&](QWidget* modal) {
            QCOMPARE(modal->windowTitle(), QStringLiteral("Add New Work"));
            const res::DialogTemplate* t = res::FindDialogTemplate(res::IDD_ADDWORD);
            const QSize base = res::DialogBaseUnits(modal->font(), modal);
            for (const auto& c : t->controls) {
                QWidget* w = res::ControlById(modal, c.id);
                QVERIFY2(w, qPrintable(QString::number(c.id)));
                QCOMPARE(w->objectName(), QString::number(c.id));
                QCOMPARE(w->geometry(), res::MapDialogRect(QRect(c.x, c.y, c.cx, c.cy), base));
                QCOMPARE(res::GetWindowText(w), c.text);
            }
            QVERIFY(qobject_cast<QLabel*>(res::ControlById(modal, 1005)));
            QVERIFY(qobject_cast<QLineEdit*>(res::ControlById(modal, 1000)));
            QVERIFY(qobject_cast<res::MultiLineEdit*>(res::ControlById(modal, 1001)));
            // Focus starts on the word edit; Tab walks word, pronunciation,
            // description, "Add New Word", "Cancle".
            QCOMPARE(res::ControlId(QApplication::focusWidget()), 1000);
            for (int id : { 1002, 1001, 1011, 2, 1000 }) {
                Key(modal, Qt::Key_Tab);
                QCOMPARE(res::ControlId(QApplication::focusWidget()), id);
            }
            Click(modal, 2);
        });
        QCOMPARE(dlg.DoModal(), 2);
    }

    void EnterIsOkInALineAndANewLineInTheDescription()
    {
        CBaseDialog dlg(res::IDD_ADDWORD, nullptr);
        // Enter in the word edit: the framework's OK.
        WhenModal([](QWidget* modal) {
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("apple"));
            Key(modal, Qt::Key_Return);
        });
        QCOMPARE(dlg.DoModal(), 1);

        // Enter in the description starts a new line and the dialog stays;
        // its text reads back with CR LF; Tab leaves for the next control;
        // Esc there cancels.
        WhenModal([&](QWidget* modal) {
            QWidget* description = res::ControlById(modal, 1001);
            description->setFocus();
            QTest::keyClicks(description, QStringLiteral("one"));
            Key(modal, Qt::Key_Return);
            QTest::keyClicks(description, QStringLiteral("two"));
            QVERIFY(modal->isVisible());
            QCOMPARE(res::GetWindowText(description), QStringLiteral("one\r\ntwo"));
            Key(modal, Qt::Key_Tab);
            QCOMPARE(res::ControlId(QApplication::focusWidget()), 1011);
            QCOMPARE(res::GetWindowText(description), QStringLiteral("one\r\ntwo"));
            description->setFocus();
            Key(modal, Qt::Key_Escape);
        });
        QCOMPARE(dlg.DoModal(), 2);
    }

    void EveryShowingStartsFresh()
    {
        CBaseDialog dlg(res::IDD_ADDWORD, nullptr);
        WhenModal([](QWidget* modal) {
            res::SetWindowText(res::ControlById(modal, 1000), QStringLiteral("left over"));
            res::ControlById(modal, 1001)->hide();
            Click(modal, 2);
        });
        QCOMPARE(dlg.DoModal(), 2);
        QVERIFY(!res::ControlById(&dlg, 1000));
        WhenModal([](QWidget* modal) {
            QCOMPARE(res::GetWindowText(res::ControlById(modal, 1000)), QString());
            QVERIFY(!res::ControlById(modal, 1001)->isHidden());
            Click(modal, 2);
        });
        QCOMPARE(dlg.DoModal(), 2);
    }

    void DefaultButtonTakesEnterAndDigitsOnlyEdit()
    {
        CBaseDialog dlg(res::IDD_ADDLEARNCOUNT, nullptr);
        int addClicks = 0;
        WhenModal([&](QWidget* modal) {
            auto* add = qobject_cast<QPushButton*>(res::ControlById(modal, 1018));
            QVERIFY(add->isDefault());
            QObject::connect(add, &QPushButton::clicked, [&] { ++addClicks; });
            QCOMPARE(res::ControlId(QApplication::focusWidget()), 1019);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("1x2-"));
            QCOMPARE(res::GetWindowText(res::ControlById(modal, 1019)), QStringLiteral("12"));
            Key(modal, Qt::Key_Return);
            QCOMPARE(addClicks, 1);
            QVERIFY(modal->isVisible());
            QCOMPARE(res::GetWindowText(res::ControlById(modal, -1)),
                QStringLiteral("Please Input the number of  new  words:"));
            Key(modal, Qt::Key_Escape);
        });
        QCOMPARE(dlg.DoModal(), 2);
    }

    void ExceptionFromAHandlerLeavesDoModal()
    {
        FailingDialog dlg;
        WhenModal([](QWidget* modal) { Click(modal, res::IDC_ADD_COUNT); });
        try {
            dlg.DoModal();
            QFAIL("DoModal returned");
        } catch (const platform::ComError& e) {
            QCOMPARE(e.Error(), platform::E_FAIL);
            QCOMPARE(e.Description().value_or(QString()), QStringLiteral("disk gone"));
        }
        QVERIFY(!dlg.isVisible());
        QVERIFY(!res::ControlById(&dlg, res::IDC_COUNT));
        // The same object shows again normally afterwards.
        WhenModal([](QWidget* modal) { Key(modal, Qt::Key_Escape); });
        QCOMPARE(dlg.DoModal(), 2);
    }

    void StaticsShowMnemonicsUnlessNoPrefix()
    {
        QWidget parent;
        QLabel plain(&parent);
        res::SetNoPrefix(&plain, false);
        res::SetWindowText(&plain, QStringLiteral("Salt && &Pepper"));
        QCOMPARE(plain.text(), QStringLiteral("Salt & Pepper"));
        QCOMPARE(res::GetWindowText(&plain), QStringLiteral("Salt && &Pepper"));
        QLabel noPrefix(&parent);
        res::SetNoPrefix(&noPrefix, true);
        res::SetWindowText(&noPrefix, QStringLiteral("A & B"));
        QCOMPARE(noPrefix.text(), QStringLiteral("A & B"));
    }

    void FontEditAsksForTheCharacterHeight()
    {
        QCOMPARE(CFontEdit::FontHeight(9, 96), -12);
        QCOMPARE(CFontEdit::FontHeight(9, 120), -15);
        QCOMPARE(CFontEdit::FontHeight(12, 72), -12);

        CFontEdit unattached;
        QVERIFY(!unattached.SetDisplayFont(QStringLiteral("Lucida Sans Unicode"), 9, false, false, false));
        QVERIFY(!unattached.GetFont());

        QLineEdit edit;
        const QFont before = edit.font();
        CFontEdit fontEdit;
        fontEdit.Attach(&edit);
        QVERIFY(fontEdit.SetDisplayFont(QStringLiteral("Lucida Sans Unicode"), 9, false, false, false));
        QVERIFY(fontEdit.GetFont());
        QCOMPARE(edit.font().family(), QStringLiteral("Lucida Sans Unicode"));
        QCOMPARE(edit.font().pixelSize(), -CFontEdit::FontHeight(9, edit.logicalDpiY()));
        QCOMPARE(edit.font().weight(), QFont::Normal);
        QVERIFY(!edit.font().italic() && !edit.font().underline() && !edit.font().strikeOut());
        QVERIFY(edit.font() != before);

        QVERIFY(fontEdit.SetDisplayFont(QStringLiteral("Lucida Sans Unicode"), 9, true, true, true));
        QCOMPARE(edit.font().weight(), QFont::Bold);
        QVERIFY(edit.font().italic() && edit.font().underline());
    }
};

static const QtTestRegistration<DialogTemplateTest> registration;

#include "DialogTemplateTest.moc"
