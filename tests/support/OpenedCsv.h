#pragma once
// A CSV text opened as a document, with the one notice the open left.

#include <string>
#include <utility>
#include <vector>

#include "tests/support/MemFile.h"
#include "tests/support/MessageRecorder.h"
#include "trace/document/Document.h"

struct Opened {
    explicit Opened(const std::string& text, std::vector<std::string> curves = {}) {
        doc.m_curvesToRead = std::move(curves);
        CMemFile file(text.data(), text.size());
        ok = doc.ReadAs(TraceFormatId::csv, file);
    }
    std::string Notice() const {
        return messages.m_messages.empty() ? std::string() : messages.m_messages.back();
    }
    bool Says(const std::string& part) const { return Notice().find(part) != std::string::npos; }
    CMessageRecorder messages;
    CtesqDoc doc;
    bool ok = false;
};

inline bool HasItem(const CtesqDoc& doc, const std::string& item) {
    return doc.Trace().m_strHeaderText.find(item + "        ") != std::string::npos;
}
