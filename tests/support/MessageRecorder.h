#pragma once
// CMessageRecorder: collects the messages the system shows during its lifetime.

#include <string>
#include <vector>

#include "framework/core/MessageSink.h"

class CMessageRecorder {
public:
    std::vector<std::string> m_messages;

private:
    CScopedMessageSink m_sink{[this](std::string_view text) { m_messages.emplace_back(text); }};
};
