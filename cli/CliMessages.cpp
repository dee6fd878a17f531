#include <cstdio>

#include "CliCommands.h"

CStderrMessages::CStderrMessages()
    : m_previous(SetMessageSink([this](std::string_view text) {
          ++m_nShown;
          std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
      })) {}

CStderrMessages::~CStderrMessages() {
    SetMessageSink(std::move(m_previous));
}
