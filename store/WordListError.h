// The one error of word lists in and out: a message that names the file
// and, where there is one, the line it is about, so that a user can go
// straight to it.
#pragma once

#include <QString>
#include <stdexcept>

class WordListError : public std::runtime_error {
public:
    // line 0 means the file as a whole.
    WordListError(QString file, int line, QString message)
        : std::runtime_error(message.toStdString())
        , m_file(std::move(file))
        , m_line(line)
        , m_message(std::move(message))
    {
    }

    const QString& File() const { return m_file; }
    int Line() const { return m_line; }
    // "file:line: message", "file: message", or the message alone when no
    // file is concerned.
    QString Text() const
    {
        if (m_file.isEmpty())
            return m_message;
        return m_line > 0 ? QStringLiteral("%1:%2: %3").arg(m_file).arg(m_line).arg(m_message)
                          : QStringLiteral("%1: %2").arg(m_file, m_message);
    }

private:
    QString m_file;
    int m_line;
    QString m_message;
};
