#include "framework/core/MessageSink.h"

#include <cstdio>

namespace {

void WriteToStderr(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
}

MessageSink& CurrentSink() {
    static MessageSink sink = WriteToStderr;
    return sink;
}

MessageSink& CurrentNoticeSink() {
    static MessageSink sink;
    return sink;
}

thread_local CThreadMessageSink* t_threadSink = nullptr;

}  // namespace

CThreadMessageSink::CThreadMessageSink(MessageSink messages, MessageSink notices)
    : m_messages(std::move(messages)), m_notices(std::move(notices)), m_previous(t_threadSink) {
    t_threadSink = this;
}

CThreadMessageSink::~CThreadMessageSink() {
    t_threadSink = m_previous;
}

MessageSink SetNoticeSink(MessageSink sink) {
    MessageSink previous = std::move(CurrentNoticeSink());
    CurrentNoticeSink() = std::move(sink);
    return previous;
}

thread_local CNoticeRecord* t_noticeRecord = nullptr;

CNoticeRecord::CNoticeRecord() : m_previous(t_noticeRecord) {
    t_noticeRecord = this;
}

CNoticeRecord::~CNoticeRecord() {
    t_noticeRecord = m_previous;
    // A record around this one keeps these notices too.
    if (m_previous != nullptr)
        m_previous->m_notices.insert(m_previous->m_notices.end(), m_notices.begin(),
                                     m_notices.end());
}

void AfxNotice(std::string_view text) {
    if (t_noticeRecord != nullptr) t_noticeRecord->m_notices.emplace_back(text);
    if (t_threadSink != nullptr)
        t_threadSink->m_notices(text);
    else if (CurrentNoticeSink())
        CurrentNoticeSink()(text);
    else
        AfxMessageBox(text);
}

MessageSink SetMessageSink(MessageSink sink) {
    MessageSink previous = std::move(CurrentSink());
    CurrentSink() = sink ? std::move(sink) : MessageSink(WriteToStderr);
    return previous;
}

void AfxMessageBox(std::string_view text) {
    if (t_threadSink != nullptr)
        t_threadSink->m_messages(text);
    else
        CurrentSink()(text);
}

CThreadMessageSink* CThreadMessageSink::Current() {
    return t_threadSink;
}
