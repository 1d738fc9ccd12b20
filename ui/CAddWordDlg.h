// The add-word dialog: the user types a word, its pronunciation and its
// description, and "Add New Word" puts them into the list of new words. The
// dialog stays open, emptied for the next word after a success, keeping the
// texts for correction after a refusal. Enter in the word or pronunciation
// edit closes it (the framework's OK), Enter in the description makes a new
// line; neither closing adds anything.
#pragma once

#include "ui/CBaseDialog.h"
#include "ui/CFontEdit.h"

class QLineEdit;

class CAddWordDlg : public CBaseDialog {
    Q_OBJECT
public:
    explicit CAddWordDlg(QWidget* pParent = nullptr);
    ~CAddWordDlg() override;

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool OnCommand(int nID) override;

private:
    void OnAddNewWord();

    // Controls of the current showing, owned by the dialog.
    CFontEdit m_editPronunciation;
    QWidget* m_editDescription = nullptr;
    QLineEdit* m_editWord = nullptr;
};
