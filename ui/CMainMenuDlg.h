// The main menu. It does no work itself: each button ends it with the result
// code that the main loop dispatches on (1000 review, 1001 learn, 1002 add
// words, 1003 take new words into study; "&Exit", Esc and the close box give
// 2). Its window menu gets the About item, which opens the About box and
// leaves the menu showing. The same object is shown on every pass of the
// main loop, and each showing builds a fresh window with a fresh menu.
#pragma once

#include "ui/CBaseDialog.h"

class CMainMenuDlg : public CBaseDialog {
    Q_OBJECT
public:
    // The result codes of the buttons: the contract with the main loop.
    enum ResultCode { resultReview = 1000, resultLearn = 1001, resultAddWords = 1002, resultAddForLearned = 1003 };

    explicit CMainMenuDlg(QWidget* pParent = nullptr);
    ~CMainMenuDlg() override;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int nID) override;
    void OnSysCommand(int nID) override;
};
