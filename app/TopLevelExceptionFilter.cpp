// Signal and terminate handlers of the top-level exception filter. Nothing
// here allocates or takes a lock after a fault: the text is formatted into
// a stack buffer and written with write(2), and the process ends with
// _exit, the status saying which signal it was (128 + the signal, as a
// shell reports it), without a core dump or any further crash handling.
// Before it ends, a fresh copy of the executable shows the same text in a
// message box, so that a user who started the program from the desktop
// sees it too.
#include "app/TopLevelExceptionFilter.h"

#include "app/FatalErrorBox.h"

#include <cerrno>
#include <csignal>
#include <exception>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>

namespace {

// Windows exception codes for the faults that the signals stand for.
constexpr std::uint32_t kAccessViolation = 0xC0000005u;
constexpr std::uint32_t kInPageError = 0xC0000006u;
constexpr std::uint32_t kDatatypeMisalignment = 0x80000002u;
constexpr std::uint32_t kIllegalInstruction = 0xC000001Du;
constexpr std::uint32_t kPrivilegedInstruction = 0xC0000096u;
constexpr std::uint32_t kIntDivideByZero = 0xC0000094u;
constexpr std::uint32_t kIntOverflow = 0xC0000095u;
constexpr std::uint32_t kFltDivideByZero = 0xC000008Eu;
constexpr std::uint32_t kFltOverflow = 0xC0000091u;
constexpr std::uint32_t kFltUnderflow = 0xC0000093u;
constexpr std::uint32_t kFltInexactResult = 0xC000008Fu;
constexpr std::uint32_t kFltInvalidOperation = 0xC0000090u;
constexpr std::uint32_t kArrayBoundsExceeded = 0xC000008Cu;

constexpr int kFatalSignals[] = { SIGSEGV, SIGBUS, SIGFPE, SIGILL };

// Room for the handlers to run when the fault is a stack overflow.
alignas(16) char g_alternateStack[64 * 1024];

// The program's name as the box's process is given it (its caption comes
// from it), found while the program is still sound. The image itself is
// started through /proc/self/exe, which still names it when the file has
// since been replaced or removed.
char g_executable[4096] = "lexitrain";

// Shows text in a message box from a fresh copy of the executable in its
// hidden mode, and waits until the user has closed it. _Fork and execve
// are async-signal-safe (fork is not: it runs the handlers registered with
// pthread_atfork); the fresh process has none of this one's broken state.
void ShowInFreshProcess(const char* text)
{
    char option[64];
    std::size_t n = 0;
    for (const char* c = kFatalErrorBoxOption; *c && n + 1 < sizeof option; ++c)
        option[n++] = *c;
    option[n] = '\0';
    char* const argv[] = { g_executable, option, const_cast<char*>(text), nullptr };
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    const pid_t child = ::_Fork();
#else
    const pid_t child = ::fork();
#endif
    if (child == 0) {
        ::execve("/proc/self/exe", argv, environ);
        ::_exit(127);
    }
    if (child < 0)
        return;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
}

void Append(char* buffer, std::size_t size, std::size_t& length, const char* text)
{
    for (; *text && length + 1 < size; ++text)
        buffer[length++] = *text;
}

void AppendHex(char* buffer, std::size_t size, std::size_t& length, std::uint64_t value)
{
    char digits[16];
    int n = 0;
    do {
        digits[n++] = "0123456789ABCDEF"[value & 0xF];
        value >>= 4;
    } while (value != 0);
    while (n > 0 && length + 1 < size)
        buffer[length++] = digits[--n];
}

[[noreturn]] void ReportAndExit(std::uintptr_t address, std::uint32_t code, int status)
{
    char text[96];
    std::size_t length = FormatUnhandledException(text, sizeof text - 1, address, code);
    text[length++] = '\n';
    std::size_t written = 0;
    while (written < length) {
        const ssize_t n = ::write(STDERR_FILENO, text + written, length - written);
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    text[length - 1] = '\0';
    ShowInFreshProcess(text);
    ::_exit(status);
}

// The address of the faulting instruction, as a Windows exception record
// gives it; the faulting data address where the machine's context is not
// known here.
std::uintptr_t FaultAddress(const siginfo_t* info, const void* context)
{
#if defined(__x86_64__)
    (void)info;
    return static_cast<std::uintptr_t>(static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    (void)info;
    return static_cast<std::uintptr_t>(static_cast<const ucontext_t*>(context)->uc_mcontext.pc);
#else
    (void)context;
    return reinterpret_cast<std::uintptr_t>(info->si_addr);
#endif
}

void OnFatalSignal(int signo, siginfo_t* info, void* context)
{
    ReportAndExit(FaultAddress(info, context), ExceptionCodeOfSignal(signo, info->si_code), 128 + signo);
}

[[noreturn]] void OnTerminate()
{
    ReportAndExit(reinterpret_cast<std::uintptr_t>(__builtin_return_address(0)), kCppExceptionCode, 128 + SIGABRT);
}

} // namespace

std::size_t FormatUnhandledException(char* buffer, std::size_t size, std::uintptr_t address, std::uint32_t code)
{
    if (size == 0)
        return 0;
    std::size_t length = 0;
    Append(buffer, size, length, "Unhandle exception: 0x");
    AppendHex(buffer, size, length, address);
    Append(buffer, size, length, ", ExceptionCode:0x");
    AppendHex(buffer, size, length, code);
    buffer[length] = '\0';
    return length;
}

std::uint32_t ExceptionCodeOfSignal(int signo, int code)
{
    switch (signo) {
    case SIGSEGV:
        return kAccessViolation;
    case SIGBUS:
        return code == BUS_ADRALN ? kDatatypeMisalignment : kInPageError;
    case SIGILL:
        return (code == ILL_PRVOPC || code == ILL_PRVREG) ? kPrivilegedInstruction : kIllegalInstruction;
    case SIGFPE:
        switch (code) {
        case FPE_INTDIV:
            return kIntDivideByZero;
        case FPE_INTOVF:
            return kIntOverflow;
        case FPE_FLTDIV:
            return kFltDivideByZero;
        case FPE_FLTOVF:
            return kFltOverflow;
        case FPE_FLTUND:
            return kFltUnderflow;
        case FPE_FLTRES:
            return kFltInexactResult;
        case FPE_FLTSUB:
            return kArrayBoundsExceeded;
        default:
            return kFltInvalidOperation;
        }
    default:
        return kAccessViolation;
    }
}

void InstallTopLevelExceptionFilter()
{
    const ssize_t length = ::readlink("/proc/self/exe", g_executable, sizeof g_executable - 1);
    if (length > 0)
        g_executable[length] = '\0';

    stack_t alternate {};
    alternate.ss_sp = g_alternateStack;
    alternate.ss_size = sizeof g_alternateStack;
    ::sigaltstack(&alternate, nullptr);

    struct sigaction action { };
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signo : kFatalSignals)
        ::sigaction(signo, &action, nullptr);
    std::set_terminate(OnTerminate);
}
