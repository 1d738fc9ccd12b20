// Paging and the About item of the learn dialog.
#include "ui/CLearnDlg.h"

#include "store/CWordStore.h"
#include "ui/AppWordStore.h"
#include "ui/CAboutDlg.h"
#include "ui/res/ResourceIds.h"
#include "ui/res/StringTable.h"

#include <QMenu>

CLearnDlg::CLearnDlg(QWidget* pParent)
    : CBaseDialog(res::IDD_LEARN, pParent)
{
}

CLearnDlg::~CLearnDlg() = default;

void CLearnDlg::DoDataExchange()
{
    CBaseDialog::DoDataExchange();
    m_card.Bind(*this);
}

bool CLearnDlg::OnInitDialog()
{
    CBaseDialog::OnInitDialog();
    if (QMenu* pSysMenu = GetSystemMenu()) {
        const QString strAboutMenu = res::LoadResourceString(res::IDS_ABOUTBOX);
        if (!strAboutMenu.isEmpty()) {
            pSysMenu->addSeparator();
            pSysMenu->addAction(strAboutMenu)->setData(res::IDM_ABOUTBOX);
        }
    }
    m_card.SetPronunciationFont();
    m_card.ShowCurrentCard();
    return true;
}

bool CLearnDlg::OnCommand(int nID)
{
    switch (nID) {
    case res::IDC_PREVIOUS:
        if (AppWordStore().MovePrevious())
            m_card.ShowCurrentCard();
        return true;
    case res::IDC_NEXT:
        if (AppWordStore().MoveNext())
            m_card.ShowCurrentCard();
        return true;
    default:
        return m_card.OnToggle(nID) || CBaseDialog::OnCommand(nID);
    }
}

void CLearnDlg::OnSysCommand(int nID)
{
    if ((nID & 0xFFF0) == res::IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
        return;
    }
    CBaseDialog::OnSysCommand(nID);
}
