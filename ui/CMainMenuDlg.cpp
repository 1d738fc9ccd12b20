// The main menu's buttons and its About item.
#include "ui/CMainMenuDlg.h"

#include "ui/CAboutDlg.h"
#include "ui/res/ResourceIds.h"
#include "ui/res/StringTable.h"

#include <QMenu>

CMainMenuDlg::CMainMenuDlg(QWidget* pParent)
    : CBaseDialog(res::IDD_MAINMENU, pParent)
{
}

CMainMenuDlg::~CMainMenuDlg() = default;

bool CMainMenuDlg::OnInitDialog()
{
    CBaseDialog::OnInitDialog();
    QMenu* pSysMenu = GetSystemMenu();
    if (!pSysMenu)
        return true;
    const QString strAboutMenu = res::LoadResourceString(res::IDS_ABOUTBOX);
    if (!strAboutMenu.isEmpty()) {
        pSysMenu->addSeparator();
        pSysMenu->addAction(strAboutMenu)->setData(res::IDM_ABOUTBOX);
    }
    return true;
}

bool CMainMenuDlg::OnCommand(int nID)
{
    switch (nID) {
    case res::IDC_MENU_REVIEW:
        EndDialog(resultReview);
        return true;
    case res::IDC_MENU_LEARN:
        EndDialog(resultLearn);
        return true;
    case res::IDC_MENU_ADD_WORDS:
        EndDialog(resultAddWords);
        return true;
    case res::IDC_MENU_ADD_FOR_LEARNED:
        EndDialog(resultAddForLearned);
        return true;
    default:
        return CBaseDialog::OnCommand(nID);
    }
}

void CMainMenuDlg::OnSysCommand(int nID)
{
    if ((nID & 0xFFF0) == res::IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
        return;
    }
    CBaseDialog::OnSysCommand(nID);
}
