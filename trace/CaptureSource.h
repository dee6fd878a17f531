#pragma once
// CCaptureSource: a capture's samples read from its file when they are asked for. Pieces of
// CCurveSamples::kPiece samples are read with pread (a file that shrinks cannot fault a
// read, as it would a mapping) and decoded, and the last few are kept. Encodings 0 and 2
// hold a sample per byte, so sample i is at byte i; encoding 1 needs an index of where each
// piece starts, made by one pass at open.
//
// The file is checked against its size, time of writing and identity at open on every read
// that goes to it and on Check(): once it differs, the source reads nothing more from it
// (samples not read before come as NaN) and Changed() says so, so that no trace ever shows
// samples of two versions of a file.

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "trace/CurveSamples.h"

class CFile;

class CCaptureSource : public CSampleSource {
public:
    // Where a piece's bytes start, and the prefix in force there (encoding 1).
    struct PieceStart {
        std::uint64_t offset;
        unsigned prefix;
    };

    // The file's size and time of writing when the reader first looked at it.
    struct Stamp {
        std::uint64_t length = 0;
        std::int64_t modified = 0;
        bool operator==(const Stamp&) const = default;
    };

    // file: a copy of the reader's file (its own descriptor), read from `payload` (the byte
    // after the magic number). index: one entry per piece for encoding 1, empty otherwise.
    CCaptureSource(std::unique_ptr<CFile> file, Stamp stamp, int encoding, std::uint64_t payload,
                   std::int64_t count, std::vector<PieceStart> index);
    ~CCaptureSource() override;

    std::int64_t Count() const override { return m_nCount; }
    void Read(std::int64_t first, std::int64_t n, float* out) const override;
    float At(std::int64_t i) const override;
    // Looks at the file now; true when it is no longer the file that was opened.
    bool Check() const;
    bool Changed() const { return m_bChanged.load(std::memory_order_relaxed); }
    int Encoding() const { return m_nEncoding; }

private:
    using Piece = std::vector<float>;
    // The piece's samples, read and decoded on a miss; null once the file changed.
    std::shared_ptr<const Piece> Get(std::int64_t piece) const;
    std::shared_ptr<const Piece> Decode(std::int64_t piece) const;
    std::shared_ptr<const Piece> Lost() const;
    bool Unchanged() const;

    std::unique_ptr<CFile> m_pFile;
    const int m_nEncoding;
    const std::uint64_t m_nPayload;
    const std::int64_t m_nCount;
    const std::vector<PieceStart> m_index;
    const Stamp m_stamp;
    // The file's identity as its path names it at open (device and inode).
    std::uint64_t m_nDevice = 0, m_nInode = 0;
    mutable std::atomic<bool> m_bChanged{false};

    mutable std::mutex m_mutex;
    // Most recently used first.
    mutable std::list<std::pair<std::int64_t, std::shared_ptr<const Piece>>> m_cache;
    static constexpr std::size_t kCachedPieces = 32;
    // Which source a thread's last piece came from: a serial number, never reused.
    const std::uint64_t m_nSerial;
};

// Whether any curve of the trace reads from a file that has changed since it was opened
// (looking at the files now).
struct CTraceData;
bool SamplesChangedOnDisk(const CTraceData& trace);
