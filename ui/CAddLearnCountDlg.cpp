// "Add" of the new-words-for-learning dialog.
#include "ui/CAddLearnCountDlg.h"

#include "platform/MessageBox.h"
#include "platform/NumberText.h"
#include "store/CWordStore.h"
#include "ui/AppWordStore.h"
#include "ui/res/ResourceIds.h"
#include "ui/res/WindowText.h"

#include <QLineEdit>

CAddLearnCountDlg::CAddLearnCountDlg(QWidget* pParent)
    : CBaseDialog(res::IDD_ADDLEARNCOUNT, pParent)
{
}

CAddLearnCountDlg::~CAddLearnCountDlg() = default;

void CAddLearnCountDlg::DoDataExchange()
{
    CBaseDialog::DoDataExchange();
    m_editCount = qobject_cast<QLineEdit*>(GetDlgItem(res::IDC_COUNT));
}

bool CAddLearnCountDlg::OnCommand(int nID)
{
    if (nID == res::IDC_ADD_COUNT) {
        OnAdd();
        return true;
    }
    return CBaseDialog::OnCommand(nID);
}

void CAddLearnCountDlg::OnAdd()
{
    QString strCount = res::GetWindowText(m_editCount);
    if (strCount.isEmpty())
        strCount = QStringLiteral("0");
    const int nAdded = AppWordStore().AddWordsToList(platform::Wtoi(strCount));
    platform::ShowMessage(
        QString::asprintf("Successfully added %d words to the word list.", nAdded), platform::MB_ICONINFORMATION);
    res::SetWindowText(m_editCount, QString());
    m_editCount->setFocus();
}
