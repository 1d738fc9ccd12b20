// Enter handling of the multi-line edit.
#include "ui/res/MultiLineEdit.h"

#include <QKeyEvent>

namespace res {

MultiLineEdit::MultiLineEdit(bool wantReturn, QWidget* parent)
    : QPlainTextEdit(parent)
    , m_wantReturn(wantReturn)
{
    setTabChangesFocus(true);
}

void MultiLineEdit::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !m_wantReturn && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Left to the dialog, as a dialog's edit does without want-return.
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

} // namespace res
