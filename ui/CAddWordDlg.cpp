// "Add New Word" of the add-word dialog.
#include "ui/CAddWordDlg.h"

#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "ui/AppWordStore.h"
#include "ui/res/ResourceIds.h"
#include "ui/res/WindowText.h"

#include <QLineEdit>

CAddWordDlg::CAddWordDlg(QWidget* pParent)
    : CBaseDialog(res::IDD_ADDWORD, pParent)
{
}

CAddWordDlg::~CAddWordDlg() = default;

void CAddWordDlg::DoDataExchange()
{
    CBaseDialog::DoDataExchange();
    m_editPronunciation.Attach(qobject_cast<QLineEdit*>(GetDlgItem(res::IDC_EDIT_PRONUNCIATION)));
    m_editDescription = GetDlgItem(res::IDC_EDIT_DESCRIPTION);
    m_editWord = qobject_cast<QLineEdit*>(GetDlgItem(res::IDC_EDIT_WORD));
}

bool CAddWordDlg::OnInitDialog()
{
    CBaseDialog::OnInitDialog();
    m_editPronunciation.SetDisplayFont(QStringLiteral("Lucida Sans Unicode"), 9, false, false, false);
    return true;
}

bool CAddWordDlg::OnCommand(int nID)
{
    if (nID == res::IDC_ADD_NEW_WORD) {
        OnAddNewWord();
        return true;
    }
    return CBaseDialog::OnCommand(nID);
}

void CAddWordDlg::OnAddNewWord()
{
    const QString strWord = res::GetWindowText(m_editWord);
    const QString strPronunciation = res::GetWindowText(m_editPronunciation.GetControl());
    const QString strDescription = res::GetWindowText(m_editDescription);
    if (AppWordStore().AddNewWord(strWord, strPronunciation, strDescription)) {
        platform::ShowMessage(QStringLiteral("Add new words successfully."), platform::MB_ICONINFORMATION);
        res::SetWindowText(m_editWord, QString());
        res::SetWindowText(m_editPronunciation.GetControl(), QString());
        res::SetWindowText(m_editDescription, QString());
    } else {
        platform::ShowMessage(QStringLiteral("Failed to add new word."), platform::MB_ICONERROR);
    }
}
