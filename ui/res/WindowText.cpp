// Reads and writes the text of each kind of control that DialogBuilder
// makes. Statics keep their unprocessed text in a property, because the
// label shows it with the mnemonic markers taken out.
#include "ui/res/WindowText.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVariant>

namespace res {

namespace {

constexpr char kRawText[] = "windowText";
constexpr char kNoPrefix[] = "noPrefix";

// What a static without the no-prefix style shows for its text: a single
// '&' disappears (it would underline the next letter), "&&" shows as '&'.
QString ShownStaticText(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&')
                shown += u'&';
            ++i;
            if (i < text.size() && text[i] != u'&')
                shown += text[i];
            continue;
        }
        shown += text[i];
    }
    return shown;
}

} // namespace

QString GetWindowText(const QWidget* control)
{
    if (!control)
        return {};
    if (auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (auto* edit = qobject_cast<const QPlainTextEdit*>(control)) {
        QString text = edit->toPlainText();
        text.replace(u'\n', QStringLiteral("\r\n"));
        return text;
    }
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        const QVariant raw = label->property(kRawText);
        return raw.isValid() ? raw.toString() : label->text();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (control->isWindow())
        return control->windowTitle();
    return {};
}

void SetWindowText(QWidget* control, const QString& text)
{
    if (!control)
        return;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(control)) {
        QString lines = text;
        lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        edit->setPlainText(lines);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setProperty(kRawText, text);
        label->setText(label->property(kNoPrefix).toBool() ? text : ShownStaticText(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (control->isWindow()) {
        control->setWindowTitle(text);
    }
}

void SetNoPrefix(QWidget* staticControl, bool noPrefix)
{
    staticControl->setProperty(kNoPrefix, noPrefix);
}

} // namespace res
