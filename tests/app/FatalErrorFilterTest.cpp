// The fatal-error filter: the report's text, and what a crashing process
// prints, shows in a box and how it ends, for each kind of fault. Each crash happens in a
// child process that installs the filter and then faults.
#include "app/TopLevelExceptionFilter.h"
#include "ui/QtTestRegistry.h"

#include <csignal>
#include <functional>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Crash {
    QString output;
    int status = 0;
};

Crash CrashInChild(const std::function<void()>& fault)
{
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDERR_FILENO);
        ::close(out[0]);
        InstallTopLevelExceptionFilter();
        // Nothing may leave the child's fault: an exception that got back
        // into Qt Test would be caught there and run the suite twice.
        [&]() noexcept { fault(); }();
        ::_exit(0);
    }
    ::close(out[1]);
    QByteArray text;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, n);
    ::close(out[0]);
    Crash crash;
    ::waitpid(child, &crash.status, 0);
    crash.output = QString::fromLatin1(text);
    return crash;
}

// The faults are made in ways that the undefined-behaviour sanitizer does
// not stop first: a write to a page mapped without access, and a machine
// division by zero.
void WriteToNoAccessPage()
{
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
}

volatile int g_zero = 0;

void DivideByZero()
{
#if defined(__x86_64__)
    const int divisor = g_zero;
    asm volatile("movl $7, %%eax\n\tcltd\n\tidivl %0" : : "r"(divisor) : "eax", "edx");
#else
    g_zero = 7 / g_zero;
#endif
}

} // namespace

class FatalErrorFilterTest : public QObject {
    Q_OBJECT
private slots:
    void ReportTextAndTheCodeOfEachSignal()
    {
        char text[96];
        const std::size_t n = FormatUnhandledException(text, sizeof text, 0x401A2F, 0xC0000005u);
        QCOMPARE(QByteArray(text, n), QByteArray("Unhandle exception: 0x401A2F, ExceptionCode:0xC0000005"));
        FormatUnhandledException(text, sizeof text, 0, 0x80000002u);
        QCOMPARE(QByteArray(text), QByteArray("Unhandle exception: 0x0, ExceptionCode:0x80000002"));
        FormatUnhandledException(text, sizeof text, UINTPTR_MAX, 0xFFFFFFFFu);
        QCOMPARE(QByteArray(text), QByteArray("Unhandle exception: 0xFFFFFFFFFFFFFFFF, ExceptionCode:0xFFFFFFFF"));
        char small[10] = "untouched";
        QCOMPARE(FormatUnhandledException(small, 0, 0x401A2F, 1), std::size_t(0));
        QCOMPARE(QByteArray(small), QByteArray("untouched"));
        QCOMPARE(FormatUnhandledException(small, sizeof small, 0x401A2F, 1), std::size_t(9));
        QCOMPARE(QByteArray(small), QByteArray("Unhandle "));

        const struct {
            int signo, code;
            std::uint32_t exceptionCode;
        } faults[] = { { SIGSEGV, SEGV_MAPERR, 0xC0000005u }, { SIGBUS, BUS_ADRALN, 0x80000002u },
            { SIGBUS, BUS_ADRERR, 0xC0000006u }, { SIGILL, ILL_ILLOPC, 0xC000001Du },
            { SIGILL, ILL_PRVOPC, 0xC0000096u }, { SIGILL, ILL_PRVREG, 0xC0000096u },
            { SIGFPE, FPE_INTDIV, 0xC0000094u }, { SIGFPE, FPE_INTOVF, 0xC0000095u },
            { SIGFPE, FPE_FLTDIV, 0xC000008Eu }, { SIGFPE, FPE_FLTOVF, 0xC0000091u },
            { SIGFPE, FPE_FLTUND, 0xC0000093u }, { SIGFPE, FPE_FLTRES, 0xC000008Fu },
            { SIGFPE, FPE_FLTINV, 0xC0000090u }, { SIGFPE, FPE_FLTSUB, 0xC000008Cu }, { SIGABRT, 0, 0xC0000005u } };
        for (const auto& s : faults)
            QCOMPARE(ExceptionCodeOfSignal(s.signo, s.code), s.exceptionCode);
    }

    void CrashesAreReportedAndEndTheProcess()
    {
        // The text on standard error, then the same text in an error box
        // captioned with the executable's name, shown by a fresh copy of the
        // executable before the process ends with its status.
        const QRegularExpression report(
            QStringLiteral("^(Unhandle exception: 0x[0-9A-F]+, ExceptionCode:0x([0-9A-F]+))\nbox 3 app_tests "
                           "\\[app_tests\\]: \\1\n\\z"));

        // A stack overflow still gets its report, from the spare stack.
        const auto overflow = [] {
            std::function<int(int)> deep = [&](int n) {
                volatile char pad[4096];
                pad[0] = static_cast<char>(n);
                return deep(n + 1) + pad[0];
            };
            deep(0);
        };
        const struct {
            std::function<void()> fault;
            const char* code;
            int signo;
        } faults[] = { { WriteToNoAccessPage, "C0000005", SIGSEGV }, { DivideByZero, "C0000094", SIGFPE },
            { [] { throw std::runtime_error("nobody catches this"); }, "E06D7363", SIGABRT },
            { overflow, "C0000005", SIGSEGV } };
        for (const auto& f : faults) {
            const Crash crash = CrashInChild(f.fault);
            const QRegularExpressionMatch m = report.match(crash.output);
            QVERIFY2(m.hasMatch(), qPrintable(crash.output));
            QCOMPARE(m.captured(2), QLatin1String(f.code));
            QVERIFY(WIFEXITED(crash.status));
            QCOMPARE(WEXITSTATUS(crash.status), 128 + f.signo);
        }
    }
};

static const QtTestRegistration<FatalErrorFilterTest> registration;

#include "FatalErrorFilterTest.moc"
