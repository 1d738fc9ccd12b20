// The last-resort reporter for crashes: a fatal signal (SIGSEGV, SIGBUS,
// SIGFPE, SIGILL) or std::terminate prints "Unhandle exception: 0x<address>,
// ExceptionCode:0x<code>" to standard error and ends the process. The code
// is the Windows exception code that the same fault has there (0xC0000005
// for an access violation, ...; 0xE06D7363 for a C++ exception that nobody
// caught). The report goes to standard error with async-signal-safe writes
// only, and a message box (flag 16) shows it too: a signal handler cannot
// run Qt, so a fresh copy of the executable shows the box (FatalErrorBox.h)
// and the crashing process waits for it, then ends with its status.
#pragma once

#include <cstddef>
#include <cstdint>

// Installs the handlers; call before anything else runs.
void InstallTopLevelExceptionFilter();

// The report text for a fault at address with code, both in upper-case
// hexadecimal without leading zeros, into buffer (always terminated);
// gives its length. Async-signal-safe.
std::size_t FormatUnhandledException(char* buffer, std::size_t size, std::uintptr_t address, std::uint32_t code);

// The Windows exception code of a fatal signal with its si_code.
std::uint32_t ExceptionCodeOfSignal(int signo, int code);

constexpr std::uint32_t kCppExceptionCode = 0xE06D7363u;
