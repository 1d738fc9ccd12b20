// A progress bar on standard error for work that takes more than a moment:
// nothing when standard error is not a terminal or the work ends within
// half a second, so that scripts and quick runs see only the result.
#pragma once

#include <QElapsedTimer>
#include <QString>

class TerminalProgress {
public:
    explicit TerminalProgress(QString label);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void Update(qint64 done, qint64 total);

private:
    QString m_label;
    QElapsedTimer m_timer;
    bool m_terminal;
    // Whether a bar is on the line, to be cleared at the end.
    bool m_shown = false;
};
