// The review dialog: shows the due cards of the review selection, which the
// main loop opened, one at a time. "Remember" and "Forgotten" answer the
// card and show the next one (past the last, the placeholders "-1" and
// "(Null)"); "Modify" rewrites the card's texts from the edits, hidden ones
// included. Each failure has its own message; nothing else changes then.
#pragma once

#include "ui/CBaseDialog.h"
#include "ui/CStudyCard.h"

class CReviewDlg : public CBaseDialog {
    Q_OBJECT
public:
    explicit CReviewDlg(QWidget* pParent = nullptr);
    ~CReviewDlg() override;

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool OnCommand(int nID) override;

private:
    void OnRemember();
    void OnForgotten();
    void OnModify();

    CStudyCard m_card;
};
