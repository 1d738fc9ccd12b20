// AfxMessageBox's stand-in. Every message the program shows goes through
// ShowMessage, which hands it to the installed sink: the application installs
// one that shows a modal box, tests install one that records.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace platform {

enum MessageFlags : unsigned {
    MB_OK = 0x00,
    MB_ICONERROR = 0x10,
    MB_ICONINFORMATION = 0x40,
};

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

using MessageSink = std::function<int(const QString& text, unsigned flags)>;

// Shows text with the flags through the sink; returns the button pressed
// (IDOK). Without a sink the message goes to standard error.
int ShowMessage(const QString& text, unsigned flags = MB_OK);

// Installs a sink and returns the one it replaces.
MessageSink SetMessageSink(MessageSink sink);

// A sink for tests: records every message; restores the previous sink when
// it goes out of scope.
class RecordingMessageSink {
public:
    struct Message {
        QString text;
        unsigned flags;
    };
    RecordingMessageSink();
    ~RecordingMessageSink();
    RecordingMessageSink(const RecordingMessageSink&) = delete;
    RecordingMessageSink& operator=(const RecordingMessageSink&) = delete;

    const std::vector<Message>& Messages() const { return m_messages; }
    void Clear() { m_messages.clear(); }
    // Called after each recorded message, for tests that act while a box
    // would be showing.
    std::function<void(const Message&)> onMessage;

private:
    std::vector<Message> m_messages;
    MessageSink m_previous;
};

}  // namespace platform
