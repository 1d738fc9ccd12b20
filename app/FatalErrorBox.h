// The message box of the fatal-error filter. A signal handler cannot run
// Qt, so the filter starts the program's own executable afresh with a
// hidden option and the report's text; that process only shows the text
// in an error box (flag 16) and ends. Nothing else reads the command line.
#pragma once

// The hidden option: argv[1] of the fresh process, its text in argv[2].
constexpr const char* kFatalErrorBoxOption = "--lexitrain-fatal-error-box";

// Whether this process was started to show the fatal-error box.
bool IsFatalErrorBoxRequest(int argc, char** argv);

// Shows the text given on the command line through the message sink that
// is installed, with the error icon.
void ShowFatalErrorText(int argc, char** argv);

// The whole hidden mode of the program: starts Qt, shows the box, ends.
// Gives the exit status, 0.
int RunFatalErrorBox(int argc, char** argv);
