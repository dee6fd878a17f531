#pragma once
// CCaptureSource: a capture's samples read from its file when they are asked for. Pieces of
// CCurveSamples::kPiece samples are read with pread (a file that shrinks cannot fault a
// read, as it would a mapping) and decoded, and the last few are kept. Encodings 0 and 2
// hold a sample per byte, so sample i is at byte i; encoding 1 needs an index of where
// every 4096th sample starts, made by one pass at open.
//
// The file is checked against its size and time of writing at open, on every read that goes
// to it and on Check(): once they differ, the source reads nothing more from it (samples not
// read before come as NaN) and Changed() says so, so that no trace ever shows samples of two
// versions of a file. A change of status alone (chmod, a new link) is no change, unless the
// bytes of the last reads are no longer there (a copy that set the time back). A file replaced or
// removed under its name is still read: the descriptor holds the one that was opened, which
// nobody writes any more.

#include <array>
#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/core/File.h"
#include "trace/model/CurveSamples.h"

struct CTraceData;

class CCaptureSource : public CSampleSource {
public:
    // Encoding 1 notes where every kIndexStep samples start: a piece, or the few samples
    // about one asked for alone, is read from there.
    static constexpr std::int64_t kIndexStep = 4096;
    // Where a step's bytes start, and the prefix in force there (encoding 1).
    struct PieceStart {
        std::uint64_t offset;
        unsigned prefix;
    };

    // The file as the reader first looked at it.
    using Stamp = CFile::Stamp;

    // A channel of PCM frames (a WAV file's data): sample i at payload + i * frameBytes +
    // offset, `bytes` bytes of a little-endian integer (8-bit ones unsigned) or float, read
    // as libsndfile reads them (full scale -1 to 1).
    static constexpr int kPcm = 3;  // the encoding such a source reports
    struct PcmLayout {
        int bytes = 2;
        int frameBytes = 2;
        int offset = 0;
        bool isFloat = false;
    };

    // file: a copy of the reader's file (its own descriptor), read from `payload` (the byte
    // after the magic number). index: one entry per kIndexStep samples for encoding 1, empty
    // otherwise.
    CCaptureSource(std::unique_ptr<CFile> file, Stamp stamp, int encoding, std::uint64_t payload,
                   std::int64_t count, std::vector<PieceStart> index);
    // A channel of PCM frames from `payload` on.
    CCaptureSource(std::unique_ptr<CFile> file, Stamp stamp, PcmLayout pcm, std::uint64_t payload,
                   std::int64_t count);
    ~CCaptureSource() override;

    std::int64_t Count() const override { return m_nCount; }
    void Read(std::int64_t first, std::int64_t n, float* out) const override;
    float At(std::int64_t i) const override;
    // Encodings 0 and 2: straight from the bytes, each of which stands for one value in
    // order, so the block's extremes are those of its bytes.
    bool BlockExtremes(std::int64_t first, std::int64_t blocks, int size, float* maxima,
                       float* minima) const override;
    // Encodings 0 and 2 the same way: sums of the bytes, exact in integers.
    bool BlockMoments(std::int64_t first, std::int64_t blocks, int size,
                      Moments* out) const override;
    // Encodings 0 and 2: the bytes of samples first .. first+bytes.size()-1 as the file holds
    // them, a byte a sample; false for another encoding or a file changed.
    bool ReadBytes(std::int64_t first, std::vector<std::uint8_t>& bytes) const;
    // Looks at the file now; true when it was written since it was opened.
    bool Check() const;
    bool Changed() const { return m_bChanged.load(std::memory_order_relaxed); }
    int Encoding() const { return m_nEncoding; }
    // Whether the file at `path` is the one read here (the same device and inode).
    bool Reads(const std::string& path) const;
    // The path the file was opened by.
    std::string FilePath() const { return State()->file->GetFilePath(); }
    // Reads from now on the file `fresh` reads, which holds the same samples (this trace saved
    // over its own file): a save replaces or rewrites the file, which would else read as
    // changed.
    void ReadFileOf(const CCaptureSource& fresh) const;

private:
    // The file and what is known of it; replaced whole by ReadFileOf.
    struct FileState {
        std::unique_ptr<CFile> file;
        std::uint64_t payload = 0;
        std::vector<PieceStart> index;
        Stamp stamp;
    };
    std::shared_ptr<const FileState> State() const;

    using Piece = std::vector<float>;
    // The piece's samples, read and decoded on a miss; null once the file changed.
    std::shared_ptr<const Piece> Get(std::int64_t piece) const;
    // The piece if it is kept.
    std::shared_ptr<const Piece> Cached(std::int64_t piece) const;
    // Samples first .. first+count-1 (cut at the end) into out, first a multiple of
    // kIndexStep; false when they are not to be had.
    bool Decode(const FileState& at, std::int64_t first, std::int64_t count, float* out) const;
    // bytes.size() bytes from offset, all of them, from the file as it was opened; false,
    // and the source changed, when they are not to be had.
    bool ReadWhole(const FileState& at, std::uint64_t offset,
                   std::vector<std::uint8_t>& bytes) const;
    bool Unchanged(const FileState& at) const;
    // Bytes of the last reads, kept to tell whether a change of the file's status (a new
    // link, chmod, or a copy that set the time back) left the bytes as they were.
    struct ReadSample {
        const FileState* file = nullptr;
        std::uint64_t offset = 0;
        std::size_t size = 0;
        std::array<std::uint8_t, 64> bytes{};  // evenly spread over the read
    };
    void NoteRead(const FileState& at, std::uint64_t offset,
                  const std::vector<std::uint8_t>& bytes) const;
    bool RecentReadsStillThere(const FileState& at) const;

    const int m_nEncoding;
    PcmLayout m_pcm;  // kPcm only
    const std::int64_t m_nCount;
    mutable std::shared_ptr<const FileState> m_state;  // under m_mutex
    mutable std::atomic<bool> m_bChanged{false};
    // The status-change time whose bytes were last found the same.
    mutable std::atomic<std::int64_t> m_nStatusSeen;

    mutable std::mutex m_mutex;
    // Most recently used first.
    mutable std::list<std::pair<std::int64_t, std::shared_ptr<const Piece>>> m_cache;
    mutable std::array<ReadSample, 64> m_recent{};
    mutable std::size_t m_nRecentNext = 0;
    static constexpr std::size_t kCachedPieces = 32;
    // Which source and file a thread's last piece came from: a serial number, never reused.
    mutable std::atomic<std::uint64_t> m_nSerial;
};

// The curves of the trace whose samples are read from the file at `path`; without a path,
// every curve read from a file.
std::vector<const CCaptureSource*> CapturesReading(const CTraceData& trace,
                                                   const std::string& path);
std::vector<const CCaptureSource*> CapturesReading(const CTraceData& trace);
// After the trace was saved over the file its captures read: they read the saved file from
// now on, which holds the same samples. false, told, when it cannot be read as the same.
bool ReadSavedFile(const std::vector<const CCaptureSource*>& captures, const std::string& path);

// Whether any curve of the trace reads from a file that has changed since it was opened
// (looking at the files now).
bool SamplesChangedOnDisk(const CTraceData& trace);
// The name (without its folder) of the first such file; empty when none changed.
std::string ChangedCaptureName(const CTraceData& trace);
