// The template mechanism under any dialog: dialog units to pixels, every
// template built with its controls found by ID in tab order, the layout
// rules the templates keep, Enter in a multi-line edit, a handler's
// exception, statics' mnemonics and the edits' font.
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

#include <QKeyEvent>
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
        // The base units are the average width of the letters and the
        // line height, whatever the font's size.
        for (int pixels : { 12, 200 }) {
            QFont font(QStringLiteral("宋体"));
            font.setPixelSize(pixels);
            const QFontMetrics metrics(font);
            const double average
                = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"))
                / 52.0;
            const QSize base = res::DialogBaseUnits(font, nullptr);
            QVERIFY2(std::abs(base.width() - average) <= 1, qPrintable(QString::number(average)));
            QCOMPARE(base.height(), metrics.height());
        }
    }

    void TemplatesLineUpTheirControls()
    {
        // In every dialog each control lies inside it and clear of the
        // others; each group below ("dialog edge controls", by place in the
        // template) shares an edge: Left, Top, Right, Size, vertical Centre
        // (within half a unit), the whole rectangle (=) in the review dialog,
        // or stands in evenly spaced rows (V).
        const char* const groups[] = { "100 L 1 2 4", "100 V 1 2 4", "102 S 0 1 2 3 4", "102 T 0 1 2", "102 T 3 4",
            "102 L 0 4", "102 L 1 3", "130 R 0 1 2", "130 L 3 4 5", "130 R 3 4 5 7", "130 C 0 3", "130 C 1 4",
            "130 T 2 5", "130 S 6 7", "130 T 6 7", "131 S 0 1", "131 T 0 1", "131 L 0 2 3 4 8", "131 R 2 3 4 10",
            "131 R 5 6 7", "131 L 5 6 7", "131 T 2 5", "131 T 3 6", "131 T 4 7", "131 S 8 9 10", "131 T 8 9 10",
            "131 = 0 1 2 3 4 5 6 7 8 9 10", "133 S 1 2 3", "133 T 1 2 3", "133 L 0 1" };
        const auto rect = [](int dialog, int i) {
            const res::DialogTemplate::Control& c = res::FindDialogTemplate(dialog)->controls[i];
            return QRect(c.x, c.y, c.cx, c.cy);
        };
        for (int dialog : { 100, 102, 130, 131, 132, 133 }) {
            const res::DialogTemplate* t = res::FindDialogTemplate(dialog);
            for (int i = 0; i < int(t->controls.size()); ++i) {
                QVERIFY(QRect(0, 0, t->cx, t->cy).contains(rect(dialog, i)));
                for (int j = 0; j < i; ++j)
                    QVERIFY(!rect(dialog, i).intersects(rect(dialog, j)));
            }
        }
        for (const char* group : groups) {
            const QStringList g = QString::fromLatin1(group).split(QLatin1Char(' '));
            const int dialog = g[0].toInt();
            const QRect a = rect(dialog, g[2].toInt());
            for (int k = 2; k < g.size(); ++k) {
                const QString& i = g[k];
                const QRect r = rect(dialog, i.toInt());
                const char edge = g[1][0].toLatin1();
                QVERIFY2(edge == 'L'  ? r.left() == a.left()
                        : edge == 'T' ? r.top() == a.top()
                        : edge == 'R' ? r.right() == a.right()
                        : edge == 'S' ? r.size() == a.size()
                        : edge == 'C' ? std::abs(2 * r.y() + r.height() - 2 * a.y() - a.height()) <= 1
                        : edge == 'V' ? r.top() - a.top() == (k - 2) * (rect(dialog, g[3].toInt()).top() - a.top())
                                      : r == rect(res::IDD_REVIEW, i.toInt()),
                    qPrintable(QStringLiteral("%1, control %2").arg(QLatin1String(group), i)));
            }
        }
    }

    void UnknownTemplateGivesMinusOne()
    {
        CBaseDialog dlg(4711, nullptr);
        QCOMPARE(dlg.DoModal(), -1);
        QVERIFY(!res::FindDialogTemplate(4711));
        QVERIFY(res::LoadResourceString(4711).isEmpty());
    }

    void EveryDialogIsBuiltFromItsTemplateInTabOrder()
    {
        // Each dialog's window type, whether it has a minimise box, and its
        // tab order from the control that has the focus first.
        const struct {
            int id;
            Qt::WindowType type;
            bool minimize;
            QList<int> tabOrder;
        } dialogs[] = { { 100, Qt::Dialog, false, { 1 } }, { 102, Qt::Window, true, { 1012, 1013, 1011, 2, 3 } },
            { 130, Qt::Dialog, true, { 1000, 1002, 1001, 1011, 2 } },
            { 131, Qt::Window, true, { 1000, 1002, 1001, 1014, 1013, 1012, 1015, 1016, 2 } },
            { 132, Qt::Window, true, { 1000, 1002, 1001, 1014, 1013, 1012, 1003, 1004, 1010 } },
            { 133, Qt::Dialog, true, { 1019, 1018, 2 } } };
        for (const auto& d : dialogs) {
            CBaseDialog dlg(d.id, nullptr);
            WhenModal([&](QWidget* modal) {
                const res::DialogTemplate* t = res::FindDialogTemplate(d.id);
                QCOMPARE(modal->windowTitle(), t->caption);
                QCOMPARE(modal->windowType(), d.type);
                QCOMPARE(bool(modal->windowFlags() & Qt::WindowMinimizeButtonHint), d.minimize);
                const QSize base = res::DialogBaseUnits(modal->font(), modal);
                QCOMPARE(modal->size(), res::MapDialogRect(QRect(0, 0, t->cx, t->cy), base).size());
                for (const auto& c : t->controls) {
                    QWidget* w = res::ControlById(modal, c.id);
                    QVERIFY2(w, qPrintable(QString::number(c.id)));
                    if (c.id != res::IDC_STATIC) {
                        QCOMPARE(w->geometry(), res::MapDialogRect(QRect(c.x, c.y, c.cx, c.cy), base));
                        QCOMPARE(res::GetWindowText(w), c.text);
                    }
                }
                for (int id : d.tabOrder + d.tabOrder.mid(0, 1)) {
                    QCOMPARE(res::ControlId(QApplication::focusWidget()), id);
                    Key(modal, Qt::Key_Tab);
                }
                Key(modal, Qt::Key_Escape);
            });
            QCOMPARE(dlg.DoModal(), 2);
        }

        // The add-word dialog's kinds of control; the description with a
        // vertical scroll bar.
        CBaseDialog dlg(res::IDD_ADDWORD, nullptr);
        WhenModal([&](QWidget* modal) {
            QVERIFY(qobject_cast<QLabel*>(res::ControlById(modal, 1005)));
            QVERIFY(qobject_cast<QLineEdit*>(res::ControlById(modal, 1000)));
            auto* description = qobject_cast<res::MultiLineEdit*>(res::ControlById(modal, 1001));
            QVERIFY(description);
            QCOMPARE(description->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
            Click(modal, 2);
        });
        QCOMPARE(dlg.DoModal(), 2);
    }

    void MultiLineEditWithoutWantReturnLeavesEnterToTheDialog()
    {
        res::MultiLineEdit plain(false, nullptr);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&plain, &enter);
        QVERIFY(!enter.isAccepted());
        QCOMPARE(plain.toPlainText(), QString());
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
        QCOMPARE(CFontEdit::FontHeight(72, 72), -72);

        CFontEdit unattached;
        QVERIFY(!unattached.SetDisplayFont(QStringLiteral("Lucida Sans Unicode"), 9, false, false, false));
        QVERIFY(!unattached.GetFont());

        QLineEdit edit;
        CFontEdit fontEdit;
        fontEdit.Attach(&edit);
        QVERIFY(fontEdit.SetDisplayFont(QStringLiteral("Lucida Sans Unicode"), 9, false, false, false));
        QVERIFY(fontEdit.GetFont());
        QCOMPARE(edit.font().family(), QStringLiteral("Lucida Sans Unicode"));
        QCOMPARE(edit.font().pixelSize(), -CFontEdit::FontHeight(9, edit.logicalDpiY()));
        QCOMPARE(edit.font().weight(), QFont::Normal);
        QVERIFY(!edit.font().italic() && !edit.font().underline() && !edit.font().strikeOut());

        QVERIFY(fontEdit.SetDisplayFont(QStringLiteral("Lucida Sans Unicode"), 9, true, true, true));
        QCOMPARE(edit.font().weight(), QFont::Bold);
        QVERIFY(edit.font().italic() && edit.font().underline());
    }
};

static const QtTestRegistration<DialogTemplateTest> registration;

#include "DialogTemplateTest.moc"
