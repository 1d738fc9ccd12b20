// The dialog that takes new words into study: the user types a number and
// presses "Add" (the default button, so Enter in the edit presses it too);
// the store moves up to that many words from the list of new words into
// study, and the dialog says how many it moved, empties the edit and puts
// the focus back there for another number.
#pragma once

#include "ui/CBaseDialog.h"

class QLineEdit;

class CAddLearnCountDlg : public CBaseDialog {
    Q_OBJECT
public:
    explicit CAddLearnCountDlg(QWidget* pParent = nullptr);
    ~CAddLearnCountDlg() override;

protected:
    void DoDataExchange() override;
    bool OnCommand(int nID) override;

private:
    void OnAdd();

    QLineEdit* m_editCount = nullptr; // of the current showing, owned by the dialog
};
