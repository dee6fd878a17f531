#pragma once
// The message box of the desktop framework, as a replaceable sink: a modal dialog in the
// window, one stderr line in the CLI, a recorder in tests. Texts are UTF-8.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

using MessageSink = std::function<void(std::string_view text)>;

// Installs a sink and returns the previous one. An empty sink restores the stderr default.
MessageSink SetMessageSink(MessageSink sink);

// Shows a message with a single OK button; the result of the box is never used.
void AfxMessageBox(std::string_view text);

// Collects messages for the lifetime of the object and restores the previous sink after.
class CMessageRecorder {
public:
    CMessageRecorder();
    ~CMessageRecorder();
    CMessageRecorder(const CMessageRecorder&) = delete;
    CMessageRecorder& operator=(const CMessageRecorder&) = delete;

    std::vector<std::string> m_messages;

private:
    MessageSink m_previous;
};
