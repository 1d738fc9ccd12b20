// The message sink behind ShowMessage.
#include "platform/MessageBox.h"

#include <cstdio>
#include <utility>

namespace platform {

namespace {
MessageSink& CurrentSink()
{
    static MessageSink sink;
    return sink;
}
}  // namespace

int ShowMessage(const QString& text, unsigned flags)
{
    if (CurrentSink())
        return CurrentSink()(text, flags);
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    return IDOK;
}

MessageSink SetMessageSink(MessageSink sink) { return std::exchange(CurrentSink(), std::move(sink)); }

RecordingMessageSink::RecordingMessageSink()
{
    m_previous = SetMessageSink([this](const QString& text, unsigned flags) {
        m_messages.push_back({text, flags});
        if (onMessage)
            onMessage(m_messages.back());
        return IDOK;
    });
}

RecordingMessageSink::~RecordingMessageSink() { SetMessageSink(std::move(m_previous)); }

}  // namespace platform
