// The entry function and the framework sequence it runs. The entry installs
// the top-level exception filter first, then runs start-up, InitInstance,
// ExitInstance and framework clean-up inside one catch of COM errors. A COM
// error that no inner layer caught is reported as "Error\r\nCode = ..." with
// the error icon; on that path neither ExitInstance nor the clean-up step
// runs (the framework object itself goes as the entry function returns).
// The exit code is 0 in every case.
#pragma once

#include <functional>

class CLexitrainApp;

int AfxWinMain(int& argc, char** argv);

// The sequence inside the catch, for app: winInit starts the framework
// (false: it could not, and only winTerm follows), winTerm ends it.
int RunApplication(CLexitrainApp& app, const std::function<bool()>& winInit, const std::function<void()>& winTerm);
