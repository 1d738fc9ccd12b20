// Helpers for driving modal dialogs from a test. DoModal blocks in its own
// event loop, so a test arranges beforehand what to do once the dialog is
// up: WhenModal(f) calls f with the next modal widget that appears (other
// than the one given), from inside that event loop.
#pragma once

#include "ui/res/DialogBuilder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <functional>

namespace dialog_driver {

// Polls for the modal widget; gives up (and fails the wait in the caller's
// QTRY/QCOMPARE) after a few seconds rather than hanging the suite.
inline void WhenModal(std::function<void(QWidget*)> act, QWidget* notThis = nullptr)
{
    struct Wait {
        std::function<void(QWidget*)> act;
        QPointer<QWidget> previous;
        int tries = 0;
    };
    auto wait = std::make_shared<Wait>(Wait { std::move(act), notThis });
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, wait] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool found = modal && modal != wait->previous.data() && modal->isVisible();
        // Keys go to the active window's focus widget: give the window a
        // moment to become active, but act anyway if it never does.
        const bool ready = found && (modal->isActiveWindow() || wait->tries > 200);
        if (!ready && ++wait->tries <= 1000)
            return;
        // act may run nested event loops that delete the timer, and this
        // lambda with it: keep what is needed on the stack.
        const std::shared_ptr<Wait> keep = wait;
        timer->stop();
        timer->deleteLater();
        if (!found)
            return;
        keep->act(modal);
        QPointer<QDialog> dialog = qobject_cast<QDialog*>(modal);
        // A failed check inside act returns early; end the dialog so that
        // the test reports instead of hanging in DoModal.
        if (QTest::currentTestFailed()) {
            if (dialog)
                dialog->reject();
            return;
        }
        // A dialog that should have closed and did not would leave DoModal
        // waiting for Qt Test's five-minute limit; end it long after any
        // working test has finished with it.
        QTimer::singleShot(10000, [dialog] {
            if (dialog && dialog->isVisible() && QApplication::activeModalWidget() == dialog) {
                qWarning("dialog %s left open; ending it", qPrintable(dialog->windowTitle()));
                dialog->reject();
            }
        });
    });
    timer->start();
}

inline void Click(QWidget* dialog, int id)
{
    auto* button = qobject_cast<QAbstractButton*>(res::ControlById(dialog, id));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

// A key as the keyboard would deliver it: to the widget with the focus,
// through the window, so that shortcuts and mnemonics take part.
inline void Key(QWidget* dialog, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(dialog->windowHandle(), key, modifiers);
}

// A window menu as "command text" per item, "-" for a separator.
inline QStringList MenuItems(QMenu* menu)
{
    QStringList items;
    for (QAction* a : menu->actions())
        items << (a->isSeparator() ? QStringLiteral("-")
                                   : QStringLiteral("%1 %2").arg(a->data().toInt()).arg(a->text()));
    return items;
}

} // namespace dialog_driver
