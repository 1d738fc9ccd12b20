// A control's text as a dialog reads and writes it, whatever the widget
// behind it. A multi-line edit gives its line breaks as CR LF pairs, as a
// dialog's edit does, and takes either CR LF or LF. A static without the
// no-prefix style keeps its text as written but shows '&' as a mnemonic
// marker ("&&" for a plain '&').
#pragma once

#include <QString>

class QWidget;

namespace res {

QString GetWindowText(const QWidget* control);
void SetWindowText(QWidget* control, const QString& text);

// Whether a static shows its '&' as written (the no-prefix style); set once
// when the control is made, before its text.
void SetNoPrefix(QWidget* staticControl, bool noPrefix);

} // namespace res
