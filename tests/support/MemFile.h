#pragma once
// CMemFile: a file held in memory, so the readers can be fed inline bytes (tests, fuzzing,
// benchmarks). Reads serve the bytes; writes append or overwrite.

#include <vector>

#include "framework/core/File.h"

class CMemFile : public CFile {
public:
    CMemFile() = default;
    explicit CMemFile(std::vector<char> bytes) : m_bytes(std::move(bytes)) {}
    CMemFile(const void* pData, std::size_t nSize);

    bool Open(const std::string&, unsigned, CFileException* = nullptr) override { return true; }
    std::size_t Read(void* pBuf, std::size_t nCount) override;
    void Write(const void* pBuf, std::size_t nCount) override;
    std::uint64_t Seek(std::int64_t lOff, SeekPosition from) override;
    std::uint64_t GetPosition() const override { return m_pos; }
    std::uint64_t GetLength() const override { return m_bytes.size(); }
    std::int64_t GetModified() const override { return 0; }
    Stamp GetStamp() const override { return {m_bytes.size(), 0, 0, true, 0, 0}; }
    void Close() override {}
    std::size_t ReadAt(std::uint64_t offset, void* pBuf, std::size_t nCount) override;
    std::unique_ptr<CFile> Duplicate() const override {
        return std::make_unique<CMemFile>(m_bytes);
    }

    const std::vector<char>& Bytes() const { return m_bytes; }

private:
    std::vector<char> m_bytes;
    std::size_t m_pos = 0;
};
