// The answers and "Modify" of the review dialog.
#include "ui/CReviewDlg.h"

#include "platform/MessageBox.h"
#include "store/CWordStore.h"
#include "ui/AppWordStore.h"
#include "ui/res/ResourceIds.h"
#include "ui/res/WindowText.h"

#include <QLineEdit>

CReviewDlg::CReviewDlg(QWidget* pParent)
    : CBaseDialog(res::IDD_REVIEW, pParent)
{
}

CReviewDlg::~CReviewDlg() = default;

void CReviewDlg::DoDataExchange()
{
    CBaseDialog::DoDataExchange();
    m_card.Bind(*this);
}

bool CReviewDlg::OnInitDialog()
{
    CBaseDialog::OnInitDialog();
    m_card.SetPronunciationFont();
    m_card.ShowCurrentCard();
    return true;
}

bool CReviewDlg::OnCommand(int nID)
{
    switch (nID) {
    case res::IDC_REMEMBER:
        OnRemember();
        return true;
    case res::IDC_FORGOTTEN:
        OnForgotten();
        return true;
    case res::IDC_MODIFY:
        OnModify();
        return true;
    default:
        return m_card.OnToggle(nID) || CBaseDialog::OnCommand(nID);
    }
}

void CReviewDlg::OnRemember()
{
    if (!AppWordStore().Remember())
        platform::ShowMessage(QStringLiteral("Failed to Remember Current Word."), platform::MB_ICONERROR);
    // Redrawn after a refusal too: the answer may have found the card
    // changed in the file by another running copy, and the card then shows
    // it as it now is.
    m_card.ShowCurrentCard();
}

void CReviewDlg::OnForgotten()
{
    if (!AppWordStore().Forget())
        platform::ShowMessage(QStringLiteral("Failed to Forgotten Current Word."), platform::MB_ICONERROR);
    // Redrawn after a refusal too, as after "Remember".
    m_card.ShowCurrentCard();
}

void CReviewDlg::OnModify()
{
    const QString strWord = res::GetWindowText(m_card.Word());
    const QString strPronunciation = res::GetWindowText(m_card.Pronunciation());
    const QString strDescription = res::GetWindowText(m_card.Description());
    if (AppWordStore().ModifyCurrentWord(strWord, strPronunciation, strDescription)) {
        platform::ShowMessage(QStringLiteral("Modify current word successfully."), platform::MB_ICONINFORMATION);
        m_card.ShowCurrentCard();
    } else {
        platform::ShowMessage(QStringLiteral("Failed to modify current word."), platform::MB_ICONERROR);
    }
}
