// The learn dialog: pages through today's learn selection, which the main
// loop opened, card by card with "Previous" and "Next"; at either end the
// button has no effect. It writes nothing to the store. Its window menu has
// the About item, as the main menu's has.
#pragma once

#include "ui/CBaseDialog.h"
#include "ui/CStudyCard.h"

class CLearnDlg : public CBaseDialog {
    Q_OBJECT
public:
    explicit CLearnDlg(QWidget* pParent = nullptr);
    ~CLearnDlg() override;

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool OnCommand(int nID) override;
    void OnSysCommand(int nID) override;

private:
    CStudyCard m_card;
};
