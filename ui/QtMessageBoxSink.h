// The message sink of the running application: every ShowMessage becomes a
// modal QMessageBox with no owner, captioned with the executable's file name
// without its extension, an icon chosen by the flags (16 error, 64
// information, 0 none) and an OK button only.
#pragma once

#include <QString>

// Shows one message box; gives IDOK.
int ShowQtMessageBox(const QString& text, unsigned flags);

// Routes ShowMessage to ShowQtMessageBox until RemoveQtMessageBoxSink.
void InstallQtMessageBoxSink();
void RemoveQtMessageBoxSink();
