#include "trace/formats/capture/CaptureSource.h"

#include <sys/stat.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <limits>

#include "framework/core/File.h"
#include "trace/formats/capture/FormatCaptureCodec.h"
#include "trace/model/TraceData.h"

namespace {

constexpr std::int64_t kPiece = CCurveSamples::kPiece;
std::atomic<std::uint64_t> g_serials{1};

// A thread's last two pieces or windows, so that reading sample after sample needs no lock,
// nor a search that looks back across a window's start a read for each step.
struct LastPiece {
    std::uint64_t serial = 0;
    std::int64_t first = 0;
    std::shared_ptr<const std::vector<float>> samples;
};
thread_local LastPiece t_last[2];

// The largest and smallest of n bytes, taken as unsigned after an exclusive or with `flip`
// (0x80 orders signed bytes as unsigned ones).
void ByteExtremes(const std::uint8_t* b, std::int64_t n, std::uint8_t flip, std::uint8_t& hi,
                  std::uint8_t& lo) {
    std::uint8_t h = 0, l = 0xFF;
    std::int64_t i = 0;
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i f = _mm_set1_epi8(static_cast<char>(flip));
        __m128i mx = _mm_setzero_si128(), mn = _mm_set1_epi8(-1);
        for (; i + 16 <= n; i += 16) {
            const __m128i v =
                _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)), f);
            mx = _mm_max_epu8(mx, v);
            mn = _mm_min_epu8(mn, v);
        }
        mx = _mm_max_epu8(mx, _mm_srli_si128(mx, 8));
        mn = _mm_min_epu8(mn, _mm_srli_si128(mn, 8));
        mx = _mm_max_epu8(mx, _mm_srli_si128(mx, 4));
        mn = _mm_min_epu8(mn, _mm_srli_si128(mn, 4));
        mx = _mm_max_epu8(mx, _mm_srli_si128(mx, 2));
        mn = _mm_min_epu8(mn, _mm_srli_si128(mn, 2));
        mx = _mm_max_epu8(mx, _mm_srli_si128(mx, 1));
        mn = _mm_min_epu8(mn, _mm_srli_si128(mn, 1));
        h = static_cast<std::uint8_t>(_mm_cvtsi128_si32(mx));
        l = static_cast<std::uint8_t>(_mm_cvtsi128_si32(mn));
    }
#endif
    for (; i < n; ++i) {
        const auto x = static_cast<std::uint8_t>(b[i] ^ flip);
        h = std::max(h, x);
        l = std::min(l, x);
    }
    hi = static_cast<std::uint8_t>(h ^ flip);
    lo = static_cast<std::uint8_t>(l ^ flip);
}

// The sum and sum of squares of n bytes taken as unsigned after an exclusive or with `flip`,
// exact in integers.
void ByteSums(const std::uint8_t* b, std::int64_t n, std::uint8_t flip, std::int64_t& sum,
              std::int64_t& squares) {
    sum = squares = 0;
    std::int64_t i = 0;
#if defined(__SSE2__)
    const __m128i f = _mm_set1_epi8(static_cast<char>(flip)), zero = _mm_setzero_si128();
    __m128i sums = zero, sq = zero;  // sq: four 32-bit lanes, at most 4096 * 255^2 / 4 each
    for (; i + 16 <= n; i += 16) {
        const __m128i v =
            _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i)), f);
        sums = _mm_add_epi64(sums, _mm_sad_epu8(v, zero));
        const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
        sq = _mm_add_epi32(sq, _mm_add_epi32(_mm_madd_epi16(lo, lo), _mm_madd_epi16(hi, hi)));
    }
    alignas(16) std::int64_t s2[2];
    alignas(16) std::uint32_t q4[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(s2), sums);
    _mm_store_si128(reinterpret_cast<__m128i*>(q4), sq);
    sum = s2[0] + s2[1];
    squares = static_cast<std::int64_t>(q4[0]) + q4[1] + q4[2] + q4[3];
#endif
    for (; i < n; ++i) {
        const auto x = static_cast<std::int64_t>(b[i] ^ flip);
        sum += x;
        squares += x * x;
    }
}

// n samples of a channel, `pcm.frameBytes` apart from `in` on, as libsndfile reads them:
// integers scaled by a power of two (exact but for 32-bit ones, which round to float first),
// floats as they are.
void DecodePcm(const std::uint8_t* in, std::size_t n, const CCaptureSource::PcmLayout& pcm,
               float* out) {
    const auto step = static_cast<std::size_t>(pcm.frameBytes);
    for (std::size_t j = 0; j < n; ++j, in += step) {
        if (pcm.isFloat && pcm.bytes == 4) {
            std::memcpy(&out[j], in, 4);
        } else if (pcm.isFloat) {
            double d;
            std::memcpy(&d, in, 8);
            out[j] = static_cast<float>(d);
        } else if (pcm.bytes == 1) {
            out[j] = static_cast<float>(static_cast<int>(in[0]) - 128) * (1.0f / 128.0f);
        } else if (pcm.bytes == 2) {
            const auto v = static_cast<std::int16_t>(in[0] | in[1] << 8);
            out[j] = static_cast<float>(v) * (1.0f / 32768.0f);
        } else if (pcm.bytes == 3) {
            // Sign-extended from the top byte, as libsndfile makes a 32-bit value of it.
            const std::int32_t v =
                static_cast<std::int32_t>(static_cast<std::uint32_t>(in[0]) << 8 |
                                          static_cast<std::uint32_t>(in[1]) << 16 |
                                          static_cast<std::uint32_t>(in[2]) << 24) >>
                8;
            out[j] = static_cast<float>(v) * (1.0f / 8388608.0f);
        } else {
            std::int32_t v;
            std::memcpy(&v, in, 4);
            out[j] = static_cast<float>(v) * (1.0f / 2147483648.0f);
        }
    }
}

}  // namespace

CCaptureSource::CCaptureSource(std::unique_ptr<CFile> file, Stamp stamp, int encoding,
                               std::uint64_t payload, std::int64_t count,
                               std::vector<PieceStart> index)
    : m_nEncoding(encoding),
      m_nCount(count),
      m_nStatusSeen(stamp.statusChanged),
      m_nSerial(g_serials.fetch_add(1)) {
    auto state = std::make_shared<FileState>();
    state->file = std::move(file);
    state->payload = payload;
    state->index = std::move(index);
    state->stamp = stamp;
    m_state = std::move(state);
}

CCaptureSource::CCaptureSource(std::unique_ptr<CFile> file, Stamp stamp, PcmLayout pcm,
                               std::uint64_t payload, std::int64_t count)
    : CCaptureSource(std::move(file), stamp, kPcm, payload, count, {}) {
    m_pcm = pcm;
}

CCaptureSource::~CCaptureSource() = default;

std::shared_ptr<const CCaptureSource::FileState> CCaptureSource::State() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

// Size and time of writing tell a change; a change of status alone (chmod, a new link, a
// read) is none, unless the bytes read so far are no longer there: a copy that sets the
// time back (cp -p, rsync -t) writes other bytes under the same size and time.
bool CCaptureSource::Unchanged(const FileState& at) const {
    if (Changed()) return false;
    bool same = false;
    try {
        const Stamp now = at.file->GetStamp();
        same = now.length == at.stamp.length && now.modified == at.stamp.modified;
        if (same && now.linked && now.statusChanged != m_nStatusSeen.load()) {
            same = RecentReadsStillThere(at);
            if (same) m_nStatusSeen.store(now.statusChanged);
        }
    } catch (const CFileException&) {
        same = false;
    }
    if (!same) m_bChanged.store(true, std::memory_order_relaxed);
    return same;
}

void CCaptureSource::NoteRead(const FileState& at, std::uint64_t offset,
                              const std::vector<std::uint8_t>& bytes) const {
    if (bytes.empty()) return;
    ReadSample sample{&at, offset, bytes.size(), {}};
    for (std::size_t k = 0; k < sample.bytes.size(); ++k)
        sample.bytes[k] = bytes[k * bytes.size() / sample.bytes.size()];
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_recent[m_nRecentNext++ % m_recent.size()] = sample;
}

bool CCaptureSource::RecentReadsStillThere(const FileState& at) const {
    std::vector<ReadSample> recent;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (const ReadSample& r : m_recent)
            if (r.file == &at) recent.push_back(r);
    }
    std::vector<std::uint8_t> bytes;
    for (const ReadSample& r : recent) {
        bytes.resize(r.size);
        if (at.file->ReadAt(r.offset, bytes.data(), bytes.size()) != bytes.size()) return false;
        for (std::size_t k = 0; k < r.bytes.size(); ++k)
            if (r.bytes[k] != bytes[k * bytes.size() / r.bytes.size()]) return false;
    }
    return true;
}

bool CCaptureSource::Check() const {
    return !Unchanged(*State());
}

bool CCaptureSource::Reads(const std::string& path) const {
    const std::shared_ptr<const FileState> at = State();
    struct stat st {};
    return at->stamp.inode != 0 && ::stat(path.c_str(), &st) == 0 &&
           st.st_dev == at->stamp.device && st.st_ino == at->stamp.inode;
}

void CCaptureSource::ReadFileOf(const CCaptureSource& fresh) const {
    const std::shared_ptr<const FileState> state = fresh.State();
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_state = state;
    m_cache.clear();
    m_recent = {};
    m_nSerial.store(g_serials.fetch_add(1));
    m_bChanged.store(fresh.Changed());
    m_nStatusSeen.store(fresh.m_nStatusSeen.load());
}

bool CCaptureSource::ReadWhole(const FileState& at, std::uint64_t offset,
                               std::vector<std::uint8_t>& bytes) const {
    try {
        if (at.file->ReadAt(offset, bytes.data(), bytes.size()) != bytes.size()) {
            // Bytes that are no longer there: the file is not the one that was opened.
            m_bChanged.store(true, std::memory_order_relaxed);
            return false;
        }
    } catch (const CFileException&) {
        m_bChanged.store(true, std::memory_order_relaxed);
        return false;
    }
    // Checked after the read, so that bytes of a file changed meanwhile are never used.
    if (!Unchanged(at)) return false;
    NoteRead(at, offset, bytes);
    return true;
}

bool CCaptureSource::Decode(const FileState& at, std::int64_t first, std::int64_t count,
                            float* out) const {
    const auto n = static_cast<std::size_t>(std::min(count, m_nCount - first));
    if (m_nEncoding == 1) {
        const auto step = static_cast<std::size_t>(first / kIndexStep);
        const auto stop = static_cast<std::size_t>((first + count) / kIndexStep);
        const PieceStart& start = at.index[step];
        const std::uint64_t end = stop < at.index.size() ? at.index[stop].offset : at.stamp.length;
        // A megabyte at a time: bytes the samples skip may be many, and take no memory.
        constexpr std::uint64_t kChunk = std::uint64_t{1} << 20;
        std::vector<std::uint8_t> bytes;
        unsigned prefix = start.prefix;
        std::size_t produced = 0;
        for (std::uint64_t offset = start.offset; offset < end && produced < n;) {
            bytes.resize(static_cast<std::size_t>(std::min(kChunk, end - offset)));
            if (!ReadWhole(at, offset, bytes)) return false;
            std::size_t made = 0;
            capture::DecodePairs(bytes.data(), bytes.size(), prefix, out + produced, n - produced,
                                 made);
            produced += made;
            offset += bytes.size();
        }
        if (produced != n) {  // not the bytes that were indexed
            m_bChanged.store(true, std::memory_order_relaxed);
            return false;
        }
    } else if (m_nEncoding == kPcm) {
        const auto frame = static_cast<std::uint64_t>(m_pcm.frameBytes);
        std::vector<std::uint8_t> bytes(n * frame);
        if (!ReadWhole(at, at.payload + static_cast<std::uint64_t>(first) * frame, bytes))
            return false;
        DecodePcm(bytes.data() + m_pcm.offset, n, m_pcm, out);
    } else {
        std::vector<std::uint8_t> bytes(n);
        if (!ReadWhole(at, at.payload + static_cast<std::uint64_t>(first), bytes)) return false;
        if (m_nEncoding == 0)
            capture::DecodeUnsigned(bytes.data(), n, out);
        else
            capture::DecodeSigned(bytes.data(), n, out);
    }
    return true;
}

std::shared_ptr<const CCaptureSource::Piece> CCaptureSource::Cached(std::int64_t piece) const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_cache.begin(); it != m_cache.end(); ++it)
        if (it->first == piece) {
            m_cache.splice(m_cache.begin(), m_cache, it);
            return it->second;
        }
    return nullptr;
}

std::shared_ptr<const CCaptureSource::Piece> CCaptureSource::Get(std::int64_t piece) const {
    if (std::shared_ptr<const Piece> samples = Cached(piece)) return samples;
    if (Changed()) return nullptr;
    // Decoded outside the lock, so that two threads decode two pieces at once.
    const std::shared_ptr<const FileState> at = State();
    auto samples = std::make_shared<Piece>(
        static_cast<std::size_t>(std::min(kPiece, m_nCount - piece * kPiece)));
    if (!Decode(*at, piece * kPiece, kPiece, samples->data())) return nullptr;
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (at != m_state) return samples;  // read from the file before the last save
    m_cache.emplace_front(piece, samples);
    if (m_cache.size() > kCachedPieces) m_cache.pop_back();
    return samples;
}

void CCaptureSource::Read(std::int64_t first, std::int64_t n, float* out) const {
    for (std::int64_t j = first; j < first + n;) {
        const std::int64_t piece = j / kPiece;
        const std::int64_t stop = std::min(first + n, (piece + 1) * kPiece);
        // A whole piece not kept is decoded where it is asked for, and not kept: a pass over
        // the file (statistics, extremes, a build) neither fills the cache nor copies twice.
        if (j == piece * kPiece && stop == std::min((piece + 1) * kPiece, m_nCount) &&
            !Cached(piece) && !Changed()) {
            if (Decode(*State(), j, kPiece, out + (j - first))) {
                j = stop;
                continue;
            }
        }
        const std::shared_ptr<const Piece> samples = Get(piece);
        if (samples)
            std::copy_n(samples->data() + (j - piece * kPiece), stop - j, out + (j - first));
        else  // the file changed: nothing more is read from it
            std::fill_n(out + (j - first), stop - j, std::numeric_limits<float>::quiet_NaN());
        j = stop;
    }
}

float CCaptureSource::At(std::int64_t i) const {
    const std::uint64_t serial = m_nSerial.load();
    const auto holds = [serial, i](const LastPiece& last) {
        return last.serial == serial && i >= last.first &&
               i < last.first + static_cast<std::int64_t>(last.samples->size());
    };
    if (!holds(t_last[0])) {
        if (holds(t_last[1])) {
            std::swap(t_last[0], t_last[1]);
        } else {
            // A piece already decoded, else the few samples about this one: a paint asks for
            // a sample or two a column, each column far from the last at a wide decimation.
            const std::int64_t piece = i / kPiece;
            std::shared_ptr<const Piece> samples = Cached(piece);
            std::int64_t first = piece * kPiece;
            if (!samples && !Changed()) {
                first = i / kIndexStep * kIndexStep;
                auto few = std::make_shared<Piece>(
                    static_cast<std::size_t>(std::min(kIndexStep, m_nCount - first)));
                if (Decode(*State(), first, kIndexStep, few->data())) samples = std::move(few);
            }
            if (!samples) return std::numeric_limits<float>::quiet_NaN();
            t_last[1] = std::move(t_last[0]);
            t_last[0] = {serial, first, std::move(samples)};
        }
    }
    return (*t_last[0].samples)[static_cast<std::size_t>(i - t_last[0].first)];
}

bool CCaptureSource::ReadBytes(std::int64_t first, std::vector<std::uint8_t>& bytes) const {
    if (m_nEncoding == 1 || m_nEncoding == kPcm || Changed() ||
        first + static_cast<std::int64_t>(bytes.size()) > m_nCount)
        return false;
    const std::shared_ptr<const FileState> at = State();
    return ReadWhole(*at, at->payload + static_cast<std::uint64_t>(first), bytes);
}

bool CCaptureSource::BlockExtremes(std::int64_t first, std::int64_t blocks, int size, float* maxima,
                                   float* minima) const {
    if (m_nEncoding == 1 || m_nEncoding == kPcm || size <= 0 || Changed()) return false;
    const std::int64_t end = std::min(first + blocks * size, m_nCount);
    thread_local std::vector<std::uint8_t> bytes;
    bytes.resize(static_cast<std::size_t>(end - first));
    // A file changed meanwhile: the caller's reads give NaN.
    const std::shared_ptr<const FileState> at = State();
    if (!ReadWhole(*at, at->payload + static_cast<std::uint64_t>(first), bytes)) return false;
    const std::uint8_t flip = m_nEncoding == 2 ? 0x80 : 0x00;
    for (std::int64_t b = 0; b < blocks; ++b) {
        const std::int64_t from = b * size;
        std::uint8_t hi = 0, lo = 0;
        ByteExtremes(bytes.data() + from, std::min<std::int64_t>(size, end - first - from), flip,
                     hi, lo);
        if (m_nEncoding == 0) {
            capture::DecodeUnsigned(&hi, 1, maxima + b);
            capture::DecodeUnsigned(&lo, 1, minima + b);
        } else {
            capture::DecodeSigned(&hi, 1, maxima + b);
            capture::DecodeSigned(&lo, 1, minima + b);
        }
    }
    return true;
}

bool CCaptureSource::BlockMoments(std::int64_t first, std::int64_t blocks, int size,
                                  Moments* out) const {
    if (m_nEncoding == 1 || m_nEncoding == kPcm || size <= 0 || size > 65536 || Changed())
        return false;
    const std::int64_t end = std::min(first + blocks * size, m_nCount);
    thread_local std::vector<std::uint8_t> bytes;
    bytes.resize(static_cast<std::size_t>(end - first));
    const std::shared_ptr<const FileState> at = State();
    if (!ReadWhole(*at, at->payload + static_cast<std::uint64_t>(first), bytes)) return false;
    // Encoding 2's signed byte is the flipped byte less 128.
    const std::uint8_t flip = m_nEncoding == 2 ? 0x80 : 0x00;
    const std::int64_t offset = m_nEncoding == 2 ? 128 : 0;
    for (std::int64_t b = 0; b < blocks; ++b) {
        const std::int64_t from = b * size;
        const std::int64_t n = std::min<std::int64_t>(size, end - first - from);
        Moments& m = out[b];
        m = Moments();
        if (n <= 0) continue;
        std::uint8_t hi = 0, lo = 0;
        ByteExtremes(bytes.data() + from, n, flip, hi, lo);
        std::int64_t sum = 0, squares = 0;
        ByteSums(bytes.data() + from, n, flip, sum, squares);
        // Of the values v = u - offset: exact in integers, then one division each.
        const std::int64_t vs = sum - offset * n;
        const std::int64_t vq = squares - 2 * offset * sum + offset * offset * n;
        m.count = n;
        m.mean = static_cast<double>(vs) / static_cast<double>(n);
        m.m2 = static_cast<double>(vq * n - vs * vs) / static_cast<double>(n);
        m.max = static_cast<float>(static_cast<std::int64_t>(hi) - offset);
        m.min = static_cast<float>(static_cast<std::int64_t>(lo) - offset);
    }
    return true;
}

bool SamplesChangedOnDisk(const CTraceData& trace) {
    for (const CCurveSamples& curve : trace.m_pSamples)
        if (const auto* capture = dynamic_cast<const CCaptureSource*>(curve.Source());
            capture != nullptr && capture->Check())
            return true;
    return false;
}

std::string ChangedCaptureName(const CTraceData& trace) {
    for (const CCurveSamples& curve : trace.m_pSamples)
        if (const auto* capture = dynamic_cast<const CCaptureSource*>(curve.Source());
            capture != nullptr && capture->Check()) {
            const std::string path = capture->FilePath();
            return path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
        }
    return {};
}

std::vector<const CCaptureSource*> CapturesReading(const CTraceData& trace) {
    std::vector<const CCaptureSource*> captures;
    for (const CCurveSamples& curve : trace.m_pSamples)
        if (const auto* capture = dynamic_cast<const CCaptureSource*>(curve.Source());
            capture != nullptr && capture->Encoding() != CCaptureSource::kPcm)
            captures.push_back(capture);
    return captures;
}

std::vector<const CCaptureSource*> CapturesReading(const CTraceData& trace,
                                                   const std::string& path) {
    std::vector<const CCaptureSource*> captures;
    for (const CCurveSamples& curve : trace.m_pSamples)
        if (const auto* capture = dynamic_cast<const CCaptureSource*>(curve.Source());
            capture != nullptr && capture->Reads(path))
            captures.push_back(capture);
    return captures;
}
