// The About box: its content, and the keys that close it.
#include "ui/CAboutDlg.h"
#include "ui/DialogDriver.h"
#include "ui/QtTestRegistry.h"
#include "ui/res/DialogBuilder.h"
#include "ui/res/ResourceIds.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>

using namespace dialog_driver;

class AboutBoxTest : public QObject {
    Q_OBJECT
private slots:
    void EnterClosesWithOkAndEscWithCancel()
    {
        CAboutDlg dlg;
        WhenModal([](QWidget* modal) { Key(modal, Qt::Key_Return); });
        QCOMPARE(dlg.DoModal(), 1);
        WhenModal([](QWidget* modal) { Key(modal, Qt::Key_Escape); });
        QCOMPARE(dlg.DoModal(), 2);
        WhenModal([](QWidget* modal) { Click(modal, res::IDOK); });
        QCOMPARE(dlg.DoModal(), 1);
        WhenModal([](QWidget* modal) { modal->windowHandle()->close(); });
        QCOMPARE(dlg.DoModal(), 2);
    }

    void ShowsTheSameContentEveryTime()
    {
        CAboutDlg dlg;
        for (int showing = 0; showing < 2; ++showing) {
            WhenModal([&](QWidget* modal) {
                QCOMPARE(modal->windowTitle(), QStringLiteral("关于 Lexitrain"));
                QVERIFY(!(modal->windowFlags() & Qt::WindowMinimizeButtonHint));
                QVERIFY(!modal->windowIcon().isNull());
                auto* ok = qobject_cast<QPushButton*>(res::ControlById(modal, res::IDOK));
                QVERIFY(ok);
                QCOMPARE(ok->text(), QStringLiteral("确定"));
                QVERIFY(ok->isDefault());
                QCOMPARE(QApplication::focusWidget(), ok);
                QStringList texts;
                const QLabel* icon = nullptr;
                for (QLabel* label : modal->findChildren<QLabel*>()) {
                    if (!label->pixmap().isNull())
                        icon = label;
                    else
                        texts << label->text();
                }
                QVERIFY(icon);
                QCOMPARE(icon->pixmap().size(), QSize(32, 32));
                QCOMPARE(texts.size(), 3);
                QVERIFY(texts.contains(QStringLiteral("Lexitrain 0.01 beta")));
                QVERIFY(texts.contains(QStringLiteral("Released 2026-12-06")));
                QCOMPARE(dlg.GetSystemMenu()->actions().size(), 1); // Close only: no minimise box
                Key(modal, Qt::Key_Return);
            });
            QCOMPARE(dlg.DoModal(), 1);
        }
    }
};

static const QtTestRegistration<AboutBoxTest> registration;

#include "AboutBoxTest.moc"
