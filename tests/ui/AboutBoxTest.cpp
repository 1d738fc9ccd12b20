// The About box: its content on every showing, and the ways it closes.
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
    void ShowsTheSameContentAndClosesWithOkOrCancel()
    {
        CAboutDlg dlg;
        const std::pair<std::function<void(QWidget*)>, int> closes[] = {
            { [](QWidget* modal) { Key(modal, Qt::Key_Return); }, 1 },
            { [](QWidget* modal) { Click(modal, res::IDOK); }, 1 },
            { [](QWidget* modal) { Key(modal, Qt::Key_Escape); }, 2 },
        };
        for (const auto& [close, result] : closes) {
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
                QCOMPARE(texts,
                    QStringList(
                        { "Lexitrain 0.01 beta", "Lexitrain for Linux, on Qt 6 and SQLite 3", "Released 2026-12-06" }));
                QCOMPARE(MenuItems(dlg.GetSystemMenu()), QStringList { "61536 &Close" }); // no minimise box
                close(modal);
            });
            QCOMPARE(dlg.DoModal(), result);
        }
    }
};

static const QtTestRegistration<AboutBoxTest> registration;

#include "AboutBoxTest.moc"
