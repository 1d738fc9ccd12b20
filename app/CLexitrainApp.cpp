// Start-up, the main loop's dispatch table, and shutdown.
#include "app/CLexitrainApp.h"

#include "platform/MessageBox.h"
#include "ui/AppWordStore.h"
#include "ui/CAddLearnCountDlg.h"
#include "ui/CAddWordDlg.h"
#include "ui/CLearnDlg.h"
#include "ui/CMainMenuDlg.h"
#include "ui/CReviewDlg.h"

CLexitrainApp theApp;

CLexitrainApp::CLexitrainApp()
{
    SetAppWordStore(&m_wordStore);
}

CLexitrainApp::~CLexitrainApp()
{
    // The dialogs must not be left with a store that is gone; a store that
    // someone else set in the meantime stays.
    CWordStore* pCurrent = SetAppWordStore(nullptr);
    if (pCurrent != &m_wordStore)
        SetAppWordStore(pCurrent);
}

bool CLexitrainApp::InitInstance()
{
    if (!m_wordStore.BackupDataFile())
        return false;
    if (!m_wordStore.OpenDatabase())
        return false;
    if (m_mainMenuOverride) {
        RunMainLoop(m_mainMenuOverride);
        return false;
    }
    CMainMenuDlg dlgMainMenu(nullptr);
    RunMainLoop([&dlgMainMenu] { return dlgMainMenu.DoModal(); });
    return false;
}

int CLexitrainApp::ExitInstance()
{
    m_wordStore.CloseDatabase();
    return 0;
}

void CLexitrainApp::RunMainLoop(const std::function<int()>& showMainMenu)
{
    using platform::MB_ICONERROR;
    using platform::MB_ICONINFORMATION;
    using platform::MB_OK;
    using platform::ShowMessage;

    for (;;) {
        switch (showMainMenu()) {
        case platform::IDCANCEL:
            return;
        case CMainMenuDlg::resultReview:
            if (m_wordStore.OpenReviewList()) {
                CReviewDlg dlgReview(nullptr);
                dlgReview.DoModal();
            } else if (m_wordStore.GetWordCount() == 0) {
                ShowMessage(QStringLiteral("No words need to review today."), MB_ICONINFORMATION);
            } else {
                ShowMessage(QStringLiteral("Failure to get the word list."), MB_ICONINFORMATION);
            }
            break;
        case CMainMenuDlg::resultLearn:
            if (m_wordStore.OpenLearnList()) {
                CLearnDlg dlgLearn(nullptr);
                dlgLearn.DoModal();
            } else if (m_wordStore.GetWordCount() == 0) {
                ShowMessage(QStringLiteral("New word list without any word, please add new words."), MB_ICONERROR);
            } else {
                ShowMessage(QStringLiteral("Failure to get the word list."), MB_OK);
            }
            break;
        case CMainMenuDlg::resultAddWords: {
            CAddWordDlg dlgAddWord(nullptr);
            dlgAddWord.DoModal();
            break;
        }
        case CMainMenuDlg::resultAddForLearned: {
            CAddLearnCountDlg dlgAddLearnCount(nullptr);
            dlgAddLearnCount.DoModal();
            break;
        }
        default:
            // IDOK (Enter with no button focused) or -1 (no dialog).
            ShowMessage(QStringLiteral("Error: Invalid ID."), MB_ICONERROR);
            return;
        }
    }
}
