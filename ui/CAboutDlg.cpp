// The About box on its template.
#include "ui/CAboutDlg.h"

#include "ui/res/ResourceIds.h"

CAboutDlg::CAboutDlg()
    : CBaseDialog(res::IDD_ABOUTBOX, nullptr)
{
}

CAboutDlg::~CAboutDlg() = default;
