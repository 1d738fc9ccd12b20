// The main menu as the main loop and the user meet it: what each button,
// key and window-menu item ends it with, its buttons, and the About
// item that opens the About box without ending the menu.
#include "ui/CMainMenuDlg.h"
#include "ui/DialogDriver.h"
#include "ui/QtTestRegistry.h"
#include "ui/res/DialogBuilder.h"
#include "ui/res/ResourceIds.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <iterator>

using namespace dialog_driver;

namespace {

struct MenuButton {
    int id;
    int result;
    Qt::Key mnemonic;
};

const MenuButton kButtons[] = {
    { 1012, 1000, Qt::Key_R },
    { 1013, 1001, Qt::Key_L },
    { 1011, 1002, Qt::Key_A },
    { 2, 2, Qt::Key_E },
    { 3, 1003, Qt::Key_D },
};

} // namespace

class MainMenuTest : public QObject {
    Q_OBJECT
private slots:
    void EveryWayOutEndsWithItsCode()
    {
        CMainMenuDlg dlg;
        for (const MenuButton& b : kButtons) {
            WhenModal([&](QWidget* modal) { Click(modal, b.id); });
            QCOMPARE(dlg.DoModal(), b.result);
            WhenModal([&](QWidget* modal) { Key(modal, b.mnemonic, Qt::AltModifier); });
            QCOMPARE(dlg.DoModal(), b.result);
        }
        // Esc, the close box and the window menu's Close give Cancel.
        const std::function<void(QWidget*)> closes[] = { [](QWidget* modal) { Key(modal, Qt::Key_Escape); },
            [](QWidget* modal) { modal->windowHandle()->close(); },
            [&](QWidget*) {
                for (QAction* a : dlg.GetSystemMenu()->actions()) {
                    if (a->data().toInt() == CBaseDialog::SC_CLOSE)
                        a->trigger();
                }
            } };
        for (const auto& close : closes) {
            WhenModal(close);
            QCOMPARE(dlg.DoModal(), 2);
        }
    }

    void FlatButtonsAndEnterPressesTheFocusedOne()
    {
        CMainMenuDlg dlg;
        WhenModal([&](QWidget* modal) {
            QVERIFY(!modal->windowIcon().isNull());
            for (const MenuButton& b : kButtons) {
                auto* button = qobject_cast<QPushButton*>(res::ControlById(modal, b.id));
                QVERIFY(button->isFlat());
                QVERIFY(!button->isDefault());
            }
            Key(modal, Qt::Key_Tab);
            Key(modal, Qt::Key_Return);
        });
        QCOMPARE(dlg.DoModal(), 1001);
    }

    void WindowMenuHasOneAboutItemEveryShowing()
    {
        CMainMenuDlg dlg;
        for (int showing = 0; showing < 3; ++showing) {
            WhenModal([&](QWidget* modal) {
                QCOMPARE(MenuItems(dlg.GetSystemMenu()),
                    QStringList({ "61472 Mi&nimize", "61536 &Close", "-", "16 关于 Lexitrain(&A)..." }));
                Click(modal, 2);
            });
            QCOMPARE(dlg.DoModal(), 2);
            QVERIFY(!dlg.GetSystemMenu());
        }
    }

    void AboutItemOpensAboutBoxAndProducesNoResult()
    {
        CMainMenuDlg dlg;
        bool aboutShown = false;
        bool menuStillShowing = false;
        WhenModal([&](QWidget* menuWindow) {
            WhenModal(
                [&, menuWindow](QWidget* about) {
                    aboutShown = about->windowTitle() == QStringLiteral("关于 Lexitrain");
                    Key(about, Qt::Key_Return);
                    // Once the box has gone, the menu is still up and
                    // answers its own buttons.
                    WhenModal(
                        [&, menuWindow](QWidget* again) {
                            menuStillShowing = again == menuWindow;
                            Click(again, 1013);
                        },
                        about);
                },
                menuWindow);
            dlg.GetSystemMenu()->actions().back()->trigger();
        });
        QCOMPARE(dlg.DoModal(), 1001);
        QVERIFY(aboutShown);
        QVERIFY(menuStillShowing);
    }

    void AltSpaceAndRightClickOpenTheWindowMenu()
    {
        CMainMenuDlg dlg;
        WhenModal([&](QWidget* modal) {
            QMenu* menu = dlg.GetSystemMenu();
            Key(modal, Qt::Key_Space, Qt::AltModifier);
            QTRY_VERIFY(menu->isVisible());
            menu->hide();

            // A click on a button is the button's, not the background's.
            QWidget* button = res::ControlById(modal, 1012);
            QContextMenuEvent onButton(
                QContextMenuEvent::Mouse, button->geometry().center(), modal->mapToGlobal(button->geometry().center()));
            QApplication::sendEvent(modal, &onButton);
            QVERIFY(!menu->isVisible());

            const QPoint background(5, 5);
            QVERIFY(!modal->childAt(background));
            QContextMenuEvent onBackground(QContextMenuEvent::Mouse, background, modal->mapToGlobal(background));
            QApplication::sendEvent(modal, &onBackground);
            QTRY_VERIFY(menu->isVisible());
            menu->hide();
            Click(modal, 2);
        });
        QCOMPARE(dlg.DoModal(), 2);
    }
};

static const QtTestRegistration<MainMenuTest> registration;

#include "MainMenuTest.moc"
