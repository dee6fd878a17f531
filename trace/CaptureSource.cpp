#include "trace/CaptureSource.h"

#include <sys/stat.h>

#include <algorithm>
#include <limits>

#include "framework/core/File.h"
#include "trace/FormatCaptureCodec.h"
#include "trace/TraceData.h"

namespace {

constexpr std::int64_t kPiece = CCurveSamples::kPiece;
std::atomic<std::uint64_t> g_serials{1};

// A thread's last piece, so that reading sample after sample needs no lock.
struct LastPiece {
    std::uint64_t serial = 0;
    std::int64_t piece = -1;
    std::shared_ptr<const std::vector<float>> samples;
};
thread_local LastPiece t_last;

}  // namespace

CCaptureSource::CCaptureSource(std::unique_ptr<CFile> file, Stamp stamp, int encoding,
                               std::uint64_t payload, std::int64_t count,
                               std::vector<PieceStart> index)
    : m_pFile(std::move(file)),
      m_nEncoding(encoding),
      m_nPayload(payload),
      m_nCount(count),
      m_index(std::move(index)),
      m_stamp(stamp),
      m_nSerial(g_serials.fetch_add(1)) {
    struct stat st {};
    if (::stat(m_pFile->GetFilePath().c_str(), &st) == 0) {
        m_nDevice = st.st_dev;
        m_nInode = st.st_ino;
    }
}

CCaptureSource::~CCaptureSource() = default;

bool CCaptureSource::Unchanged() const {
    if (Changed()) return false;
    bool same = false;
    try {
        same = Stamp{m_pFile->GetLength(), m_pFile->GetModified()} == m_stamp;
    } catch (const CFileException&) {
    }
    if (!same) m_bChanged.store(true, std::memory_order_relaxed);
    return same;
}

bool CCaptureSource::Check() const {
    if (!Unchanged()) return true;
    // Written anew under the same name: the descriptor still reads the old file, which stays
    // whole, but the file the user has is another.
    struct stat st {};
    if (m_nInode != 0 && (::stat(m_pFile->GetFilePath().c_str(), &st) != 0 ||
                          st.st_dev != m_nDevice || st.st_ino != m_nInode)) {
        m_bChanged.store(true, std::memory_order_relaxed);
        return true;
    }
    return false;
}

std::shared_ptr<const CCaptureSource::Piece> CCaptureSource::Lost() const {
    // Bytes that are no longer there: the file is not the one that was opened.
    m_bChanged.store(true, std::memory_order_relaxed);
    return nullptr;
}

std::shared_ptr<const CCaptureSource::Piece> CCaptureSource::Decode(std::int64_t piece) const {
    const std::int64_t first = piece * kPiece;
    const auto n = static_cast<std::size_t>(std::min(kPiece, m_nCount - first));
    auto samples = std::make_shared<Piece>(n);
    try {
        if (m_nEncoding == 1) {
            const PieceStart& at = m_index[static_cast<std::size_t>(piece)];
            const std::uint64_t end = static_cast<std::size_t>(piece) + 1 < m_index.size()
                                          ? m_index[static_cast<std::size_t>(piece) + 1].offset
                                          : m_stamp.length;
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(end - at.offset));
            const std::size_t got = m_pFile->ReadAt(at.offset, bytes.data(), bytes.size());
            unsigned prefix = at.prefix;
            std::size_t produced = 0;
            capture::DecodePairs(bytes.data(), got, prefix, samples->data(), n, produced);
            if (got != bytes.size() || produced != n) return Lost();
        } else {
            std::vector<std::uint8_t> bytes(n);
            const std::size_t got =
                m_pFile->ReadAt(m_nPayload + static_cast<std::uint64_t>(first), bytes.data(), n);
            if (got != n) return Lost();
            if (m_nEncoding == 0)
                capture::DecodeUnsigned(bytes.data(), n, samples->data());
            else
                capture::DecodeSigned(bytes.data(), n, samples->data());
        }
    } catch (const CFileException&) {
        return Lost();
    }
    // Read whole from the file as it was opened: checked after the read, so that bytes of a
    // file changed meanwhile are never kept.
    if (!Unchanged()) return nullptr;
    return samples;
}

std::shared_ptr<const CCaptureSource::Piece> CCaptureSource::Get(std::int64_t piece) const {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_cache.begin(); it != m_cache.end(); ++it)
            if (it->first == piece) {
                m_cache.splice(m_cache.begin(), m_cache, it);
                return it->second;
            }
    }
    if (Changed()) return nullptr;
    // Decoded outside the lock, so that two threads decode two pieces at once.
    std::shared_ptr<const Piece> samples = Decode(piece);
    if (!samples) return nullptr;
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_cache.emplace_front(piece, samples);
    if (m_cache.size() > kCachedPieces) m_cache.pop_back();
    return samples;
}

void CCaptureSource::Read(std::int64_t first, std::int64_t n, float* out) const {
    for (std::int64_t j = first; j < first + n;) {
        const std::int64_t piece = j / kPiece;
        const std::int64_t stop = std::min(first + n, (piece + 1) * kPiece);
        const std::shared_ptr<const Piece> samples = Get(piece);
        if (samples)
            std::copy_n(samples->data() + (j - piece * kPiece), stop - j, out + (j - first));
        else  // the file changed: nothing more is read from it
            std::fill_n(out + (j - first), stop - j, std::numeric_limits<float>::quiet_NaN());
        j = stop;
    }
}

float CCaptureSource::At(std::int64_t i) const {
    const std::int64_t piece = i / kPiece;
    if (t_last.serial != m_nSerial || t_last.piece != piece) {
        std::shared_ptr<const Piece> samples = Get(piece);
        if (!samples) return std::numeric_limits<float>::quiet_NaN();
        t_last = {m_nSerial, piece, std::move(samples)};
    }
    return (*t_last.samples)[static_cast<std::size_t>(i - piece * kPiece)];
}

bool SamplesChangedOnDisk(const CTraceData& trace) {
    for (const CCurveSamples& curve : trace.m_pSamples)
        if (const auto* capture = dynamic_cast<const CCaptureSource*>(curve.Source());
            capture != nullptr && capture->Check())
            return true;
    return false;
}
