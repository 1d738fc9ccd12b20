// The About box: the program's name and version, its icon and two lines of
// text. It has no behaviour beyond CBaseDialog's; its OK button ("确定") is
// the default button, so Enter closes it with 1 and Esc with 2.
#pragma once

#include "ui/CBaseDialog.h"

class CAboutDlg : public CBaseDialog {
    Q_OBJECT
public:
    CAboutDlg();
    ~CAboutDlg() override;
};
