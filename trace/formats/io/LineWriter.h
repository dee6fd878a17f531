#pragma once
// Lines gathered into large writes: the bytes are those of one write per line, at a fraction
// of the calls. Lines end in CR LF, which every reader of ours and every spreadsheet takes.

#include <string_view>
#include <vector>

#include "framework/core/File.h"

class CLineWriter {
public:
    explicit CLineWriter(CFile& file) : m_file(file) { m_buf.reserve(kBlock); }

    void Append(std::string_view text) { m_buf.insert(m_buf.end(), text.begin(), text.end()); }
    void EndLine() {
        Append("\r\n");
        if (m_buf.size() >= kBlock - 256) Flush();
    }
    // Writes what is gathered; call once at the end.
    void Flush() {
        if (!m_buf.empty()) m_file.Write(m_buf.data(), m_buf.size());
        m_buf.clear();
    }

private:
    static constexpr std::size_t kBlock = 1 << 16;
    CFile& m_file;
    std::vector<char> m_buf;
};
