// The application object. It owns the word store for the whole run; all of
// the program's work happens inside InitInstance, which backs up and opens
// the data file and then runs the main loop: show the main menu, dispatch on
// its result code, show the menu again, until Exit. There is no main window
// and the framework's event loop is never entered.
#pragma once

#include "store/CWordStore.h"

#include <functional>

class CLexitrainApp {
public:
    CLexitrainApp();
    virtual ~CLexitrainApp();
    CLexitrainApp(const CLexitrainApp&) = delete;
    CLexitrainApp& operator=(const CLexitrainApp&) = delete;

    // Backs up and opens the data file, then runs the main loop on a main
    // menu built once for the whole loop. Always false: the program has no
    // event loop to run afterwards. A failed backup or open ends it at once,
    // after the store's own message, without building the main menu.
    virtual bool InitInstance();
    // Closes the data file; gives the exit code, 0.
    virtual int ExitInstance();

    // Shows the main menu through showMainMenu, which gives its result
    // code, and dispatches on the code until Exit (2) or a code the loop
    // does not know (which it reports).
    void RunMainLoop(const std::function<int()>& showMainMenu);

    CWordStore m_wordStore;

    // Shows the main menu in place of the real dialog when set: tests put a
    // script of result codes here. Empty in the program.
    std::function<int()> m_mainMenuOverride;
};

extern CLexitrainApp theApp;
