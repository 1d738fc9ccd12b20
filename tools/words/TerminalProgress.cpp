// Redraws one line with a carriage return; the destructor clears it so
// that the result printed next starts on a clean line.
#include "TerminalProgress.h"

#include <cstdio>
#include <unistd.h>

TerminalProgress::TerminalProgress(QString label)
    : m_label(std::move(label))
    , m_terminal(::isatty(STDERR_FILENO) == 1)
{
    m_timer.start();
}

TerminalProgress::~TerminalProgress()
{
    if (m_shown)
        std::fputs("\r\033[K", stderr);
}

void TerminalProgress::Update(qint64 done, qint64 total)
{
    if (!m_terminal || total <= 0 || m_timer.elapsed() < 500)
        return;
    constexpr int kWidth = 30;
    const int filled = int(done * kWidth / total);
    const QString line = QStringLiteral("\r%1 [%2%3] %4% (%5/%6)")
                             .arg(m_label, QString(filled, u'#'), QString(kWidth - filled, u' '))
                             .arg(done * 100 / total)
                             .arg(done)
                             .arg(total);
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    m_shown = true;
}
