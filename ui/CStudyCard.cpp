// Filling a card from the store, and the label buttons.
#include "ui/CStudyCard.h"

#include "store/CWordStore.h"
#include "ui/AppWordStore.h"
#include "ui/CBaseDialog.h"
#include "ui/res/ResourceIds.h"
#include "ui/res/WindowText.h"

#include <QLabel>
#include <QLineEdit>

void CStudyCard::Bind(CBaseDialog& dialog)
{
    m_editPronunciation.Attach(qobject_cast<QLineEdit*>(dialog.GetDlgItem(res::IDC_EDIT_PRONUNCIATION)));
    m_editDescription = dialog.GetDlgItem(res::IDC_EDIT_DESCRIPTION);
    m_editWord = qobject_cast<QLineEdit*>(dialog.GetDlgItem(res::IDC_EDIT_WORD));
    m_staticMemoryCycle = qobject_cast<QLabel*>(dialog.GetDlgItem(res::IDC_TEXT_MEMORYCYCLE));
    m_staticID = qobject_cast<QLabel*>(dialog.GetDlgItem(res::IDC_TEXT_ID));
}

void CStudyCard::SetPronunciationFont()
{
    m_editPronunciation.SetDisplayFont(QStringLiteral("Lucida Sans Unicode"), 9, false, false, false);
}

void CStudyCard::ShowCurrentCard()
{
    CWordStore& store = AppWordStore();
    res::SetWindowText(m_staticID, store.GetID());
    res::SetWindowText(m_staticMemoryCycle, store.GetMemoryCycle());
    res::SetWindowText(m_editWord, store.GetWord());
    res::SetWindowText(m_editPronunciation.GetControl(), store.GetPronunciation());
    res::SetWindowText(m_editDescription, store.GetDescription());
}

bool CStudyCard::OnToggle(int nID)
{
    QWidget* pEdit = nullptr;
    switch (nID) {
    case res::IDC_TOGGLE_DESCRIPTION:
        pEdit = m_editDescription;
        break;
    case res::IDC_TOGGLE_PRONUNCIATION:
        pEdit = m_editPronunciation.GetControl();
        break;
    case res::IDC_TOGGLE_WORD:
        pEdit = m_editWord;
        break;
    default:
        return false;
    }
    if (pEdit)
        pEdit->setVisible(pEdit->isHidden());
    return true;
}
