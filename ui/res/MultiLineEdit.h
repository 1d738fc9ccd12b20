// The multi-line edit control of the templates. It behaves like a dialog's
// multi-line edit rather than a text editor: Tab moves to the next control,
// and Enter makes a new line only when the template asks for it (want-return);
// otherwise Enter goes on to the dialog, which presses its default button.
#pragma once

#include <QPlainTextEdit>

namespace res {

class MultiLineEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    MultiLineEdit(bool wantReturn, QWidget* parent);

    bool WantsReturn() const { return m_wantReturn; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_wantReturn;
};

} // namespace res
