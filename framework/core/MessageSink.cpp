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

}  // namespace

MessageSink SetNoticeSink(MessageSink sink) {
    MessageSink previous = std::move(CurrentNoticeSink());
    CurrentNoticeSink() = std::move(sink);
    return previous;
}

void AfxNotice(std::string_view text) {
    if (CurrentNoticeSink())
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
    CurrentSink()(text);
}
