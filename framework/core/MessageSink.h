#pragma once
// The framework's message box, as a replaceable sink: a modal dialog in the window, one
// stderr line in the CLI, a recorder in tests. Texts are UTF-8.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

using MessageSink = std::function<void(std::string_view text)>;

// Installs a sink and returns the previous one. An empty sink restores the stderr default.
MessageSink SetMessageSink(MessageSink sink);

// Shows a message with a single OK button; the result of the box is never used.
void AfxMessageBox(std::string_view text);

// A notice about something that succeeded with a caveat (columns dropped, cells unreadable):
// a message box in the window, a warning that is not a failure in the CLI. Without a notice
// sink of its own it goes to the message sink.
MessageSink SetNoticeSink(MessageSink sink);
void AfxNotice(std::string_view text);

// For its lifetime, the messages and notices shown on this thread go to the given sinks
// instead: a worker thread keeps them for the window's thread to show.
class CThreadMessageSink {
public:
    CThreadMessageSink(MessageSink messages, MessageSink notices);
    ~CThreadMessageSink();
    CThreadMessageSink(const CThreadMessageSink&) = delete;
    CThreadMessageSink& operator=(const CThreadMessageSink&) = delete;

    MessageSink m_messages, m_notices;

    // The sink of this thread, or null: threads a worker starts take it along.
    static CThreadMessageSink* Current();

private:
    CThreadMessageSink* m_previous;
};

// For its lifetime, every notice shown on this thread is also kept here, wherever it goes:
// a read keeps its notices for the trace's properties.
class CNoticeRecord {
public:
    CNoticeRecord();
    ~CNoticeRecord();
    CNoticeRecord(const CNoticeRecord&) = delete;
    CNoticeRecord& operator=(const CNoticeRecord&) = delete;

    std::vector<std::string> m_notices;

private:
    CNoticeRecord* m_previous;
};

// Installs a sink for its own lifetime, then puts the previous one back.
class CScopedMessageSink {
public:
    explicit CScopedMessageSink(MessageSink sink) : m_previous(SetMessageSink(std::move(sink))) {}
    ~CScopedMessageSink() { SetMessageSink(std::move(m_previous)); }
    CScopedMessageSink(const CScopedMessageSink&) = delete;
    CScopedMessageSink& operator=(const CScopedMessageSink&) = delete;

private:
    MessageSink m_previous;
};
