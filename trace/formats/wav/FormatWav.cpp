// WAV files (PCM of 8 to 32 bits and float, any number of channels): a plain PCM file is read
// in place, a channel a piece at a time as a capture is (its frames at fixed offsets); any
// other file libsndfile knows is read whole through it. The samples come as libsndfile scales
// them, full scale being -1 to 1. The step is one over the sample rate.

#include <fmt/format.h>
#include <sndfile.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "trace/formats/FormatRegistry.h"
#include "trace/formats/ReadFailures.h"
#include "trace/formats/capture/CaptureSource.h"
#include "trace/model/TimeBase.h"
#include "trace/model/TraceData.h"

namespace {

// libsndfile reads through our file, so that the read hook (progress, cancel) and the file's
// errors work as for every other reader. Nothing may be thrown through libsndfile's C
// frames: a failure is kept and thrown again once the library has returned.
struct CFileIo {
    CFile& file;
    std::exception_ptr failure;

    static sf_count_t Length(void* self) {
        auto& io = *static_cast<CFileIo*>(self);
        try {
            return static_cast<sf_count_t>(io.file.GetLength());
        } catch (...) {
            io.failure = std::current_exception();
            return 0;
        }
    }
    static sf_count_t Seek(sf_count_t offset, int whence, void* self) {
        auto& io = *static_cast<CFileIo*>(self);
        try {
            const CFile::SeekPosition from = whence == SEEK_SET   ? CFile::begin
                                             : whence == SEEK_CUR ? CFile::current
                                                                  : CFile::end;
            return static_cast<sf_count_t>(io.file.Seek(offset, from));
        } catch (...) {
            io.failure = std::current_exception();
            return -1;
        }
    }
    static sf_count_t Read(void* buffer, sf_count_t count, void* self) {
        auto& io = *static_cast<CFileIo*>(self);
        try {
            return static_cast<sf_count_t>(
                io.file.Read(buffer, static_cast<std::size_t>(std::max<sf_count_t>(count, 0))));
        } catch (...) {
            io.failure = std::current_exception();
            return 0;
        }
    }
    static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t Tell(void* self) {
        auto& io = *static_cast<CFileIo*>(self);
        try {
            return static_cast<sf_count_t>(io.file.GetPosition());
        } catch (...) {
            io.failure = std::current_exception();
            return -1;
        }
    }

    void Rethrow() const {
        if (failure) std::rethrow_exception(failure);
    }
};

class CSoundFile {
public:
    CSoundFile(CFileIo& io) : m_io(io) {
        SF_VIRTUAL_IO vio{CFileIo::Length, CFileIo::Seek, CFileIo::Read, CFileIo::Write,
                          CFileIo::Tell};
        m_sf = sf_open_virtual(&vio, SFM_READ, &m_info, &io);
        io.Rethrow();
    }
    ~CSoundFile() {
        if (m_sf != nullptr) sf_close(m_sf);
    }
    CSoundFile(const CSoundFile&) = delete;
    CSoundFile& operator=(const CSoundFile&) = delete;

    explicit operator bool() const { return m_sf != nullptr; }
    const SF_INFO& Info() const { return m_info; }
    sf_count_t ReadFrames(float* out, sf_count_t frames) {
        const sf_count_t got = sf_readf_float(m_sf, out, frames);
        m_io.Rethrow();
        return got;
    }

private:
    CFileIo& m_io;
    SF_INFO m_info{};
    SNDFILE* m_sf = nullptr;
};

std::string FileName(const CFile& file) {
    const std::string& path = file.GetFilePath();
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first `used` samples moved into an array of `room`.
void Grow(CCurveSamples& samples, std::size_t used, std::size_t room) {
    CFloatArray larger = CFloatArray::Allocate(room, false);
    if (!larger) throw std::bad_alloc();
    std::copy_n(samples.Floats().get(), used, larger.get());
    samples = CCurveSamples(std::move(larger));
}

std::string ChannelName(int channel) {
    return fmt::format("channel {}", channel + 1);
}

}  // namespace

std::vector<std::string> wav_format::Columns(CFile& file) {
    CFileIo io{file, nullptr};
    CSoundFile sound(io);
    std::vector<std::string> names;
    for (int c = 0; sound && c < sound.Info().channels; ++c) names.push_back(ChannelName(c));
    return names;
}

namespace {

// Where a plain PCM WAV keeps its frames, from its own chunks: what reads them in place.
struct PcmData {
    std::uint64_t offset = 0;          // of the first frame
    std::int64_t frames = 0;           // that the file holds
    bool cut = false;                  // the data chunk claims more than the file holds
    CCaptureSource::PcmLayout layout;  // of channel 0
};

std::uint32_t Le(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int k = bytes - 1; k >= 0; --k) v = v << 8 | p[k];
    return v;
}

// A RIFF or RF64 WAVE file of 8, 16, 24 or 32-bit integers or 32 or 64-bit floats
// (extensible or not); nothing for any other (which libsndfile reads whole).
std::optional<PcmData> PlainPcm(CFile& file, const SF_INFO& info) {
    const std::uint64_t length = file.GetLength();
    std::uint8_t head[12];
    if (file.ReadAt(0, head, 12) != 12 || std::memcmp(head + 8, "WAVE", 4) != 0)
        return std::nullopt;
    // RF64 (and BW64, the same) is how a WAV grows past 4 GB: its data chunk's size, all ones,
    // is given in full by the ds64 chunk before it.
    const bool wide = std::memcmp(head, "RF64", 4) == 0 || std::memcmp(head, "BW64", 4) == 0;
    if (!wide && std::memcmp(head, "RIFF", 4) != 0) return std::nullopt;
    std::uint64_t wideDataSize = 0;
    int tag = 0, channels = 0, frameBytes = 0, bits = 0;
    for (std::uint64_t at = 12; at + 8 <= length;) {
        std::uint8_t chunk[8];
        if (file.ReadAt(at, chunk, 8) != 8) return std::nullopt;
        std::uint64_t size = Le(chunk + 4, 4);
        if (wide && std::memcmp(chunk, "ds64", 4) == 0 && size >= 16) {
            std::uint8_t sizes[16];
            if (file.ReadAt(at + 8, sizes, 16) != 16) return std::nullopt;
            wideDataSize = std::uint64_t{Le(sizes + 8, 4)} | std::uint64_t{Le(sizes + 12, 4)} << 32;
        } else if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            std::uint8_t fmt[40] = {};
            const std::size_t got = file.ReadAt(at + 8, fmt, std::min<std::uint64_t>(size, 40));
            if (got < 16) return std::nullopt;
            tag = static_cast<int>(Le(fmt, 2));
            channels = static_cast<int>(Le(fmt + 2, 2));
            frameBytes = static_cast<int>(Le(fmt + 12, 2));
            bits = static_cast<int>(Le(fmt + 14, 2));
            if (tag == 0xFFFE && got >= 26) tag = static_cast<int>(Le(fmt + 24, 2));
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (wide && size == 0xFFFFFFFF) size = wideDataSize;
            const bool integer = tag == 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
            const bool real = tag == 3 && (bits == 32 || bits == 64);
            if ((!integer && !real) || channels != info.channels || channels <= 0 ||
                frameBytes != channels * bits / 8)
                return std::nullopt;
            PcmData data;
            data.offset = at + 8;
            const std::uint64_t held = length - data.offset;
            data.cut = size > held;
            data.frames = static_cast<std::int64_t>(std::min(size, held) /
                                                    static_cast<std::uint64_t>(frameBytes));
            data.layout = {bits / 8, frameBytes, 0, real};
            return data;
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

// The channels to keep: those asked for (a name or a 0-based number), else the first 8;
// nothing, after a message, when one asked for is not there or too many are.
std::optional<std::vector<int>> KeptChannels(const std::vector<std::string>& wanted, int channels,
                                             const std::string& name) {
    std::vector<int> kept;
    for (const std::string& want : wanted) {
        int found = -1;
        for (int c = 0; c < channels && found < 0; ++c)
            if (want == ChannelName(c) || want == std::to_string(c)) found = c;
        if (found < 0) {
            AfxMessageBox(name + " has no channel \"" + want + "\".");
            return std::nullopt;
        }
        kept.push_back(found);
    }
    if (wanted.empty())
        for (int c = 0; c < std::min(channels, CTraceData::MAX_CURVES); ++c) kept.push_back(c);
    if (kept.size() > static_cast<std::size_t>(CTraceData::MAX_CURVES)) {
        AfxMessageBox(
            fmt::format("A trace holds 8 curves at most; {} were asked for.", kept.size()));
        return std::nullopt;
    }
    return kept;
}

// A plain PCM file stays where it is: each channel reads its frames from the file as they are
// asked for, as a capture does. False when the file cannot be read so (no descriptor of its
// own to be had).
bool ReadInPlace(CFile& file, const PcmData& pcm, const std::vector<int>& kept, CTraceData& fresh) {
    const CFile::Stamp stamp = file.GetStamp();
    for (std::size_t i = 0; i < kept.size(); ++i) {
        std::unique_ptr<CFile> own = file.Duplicate();
        if (!own) return false;
        CCaptureSource::PcmLayout layout = pcm.layout;
        layout.offset = kept[i] * layout.bytes;
        if (pcm.frames > 0)
            fresh.m_pSamples[i] = CCurveSamples(std::make_shared<CCaptureSource>(
                std::move(own), stamp, layout, pcm.offset, pcm.frames));
    }
    fresh.m_nSampleCount = static_cast<int>(pcm.frames);
    return true;
}

// Any other file libsndfile knows, read whole; memory grows with the frames that come, not
// with what the header claims. Returns the frames read.
std::size_t ReadWhole(CSoundFile& sound, CFile& file, const std::vector<int>& kept,
                      CTraceData& fresh) {
    const SF_INFO& info = sound.Info();
    const auto frames = static_cast<std::size_t>(info.frames);
    const int curves = static_cast<int>(kept.size());
    // Room for the frames the file can hold, not those its header claims: no format keeps
    // a frame in less than a byte but a compressed one, whose arrays grow as frames come.
    std::size_t room = std::max<std::size_t>(
        1, static_cast<std::size_t>(std::min<std::uint64_t>(frames, file.GetLength())));
    for (int i = 0; i < curves; ++i) {
        fresh.m_pSamples[i] = CFloatArray::Allocate(room, false);
        if (!fresh.m_pSamples[i]) throw std::bad_alloc();
    }
    // Interleaved frames a block at a time, each channel to its curve.
    constexpr sf_count_t kFrames = 16384;
    std::vector<float> block(static_cast<std::size_t>(kFrames) *
                             static_cast<std::size_t>(info.channels));
    std::size_t done = 0;
    while (done < frames) {
        if (done == room) {
            room = std::min(frames, 2 * room);
            for (int i = 0; i < curves; ++i) Grow(fresh.m_pSamples[i], done, room);
        }
        const sf_count_t got = sound.ReadFrames(
            block.data(), std::min<sf_count_t>(kFrames, static_cast<sf_count_t>(room - done)));
        if (got <= 0) break;
        for (int i = 0; i < curves; ++i) {
            float* out = fresh.m_pSamples[i].Floats().get() + done;
            const float* in = block.data() + kept[static_cast<std::size_t>(i)];
            for (sf_count_t f = 0; f < got; ++f) out[f] = in[f * info.channels];
        }
        done += static_cast<std::size_t>(got);
    }
    fresh.m_nSampleCount = static_cast<int>(done);
    return done;
}

}  // namespace

bool wav_format::Read(CFile& file, CTraceData& fresh, CFormatState& state) {
    return ReportingReadFailures(file, [&] {
        CFileIo io{file, nullptr};
        CSoundFile sound(io);
        const std::string name = FileName(file);
        if (!sound) {
            AfxMessageBox(
                fmt::format("{} could not be read as a WAV file: {}.", name, sf_strerror(nullptr)));
            return false;
        }
        const SF_INFO& info = sound.Info();
        const std::optional<PcmData> pcm = PlainPcm(file, info);
        const auto frames =
            pcm ? static_cast<std::uint64_t>(pcm->frames) : static_cast<std::uint64_t>(info.frames);
        if (frames > INT_MAX) {
            AfxMessageBox(MSG_TOO_MANY_SAMPLES);
            return false;
        }
        const std::optional<std::vector<int>> kept =
            KeptChannels(state.curves, info.channels, name);
        if (!kept) return false;
        const int curves = static_cast<int>(kept->size());
        std::vector<std::string> said;
        if (pcm && ReadInPlace(file, *pcm, *kept, fresh)) {
            if (pcm->cut)
                said.push_back(
                    fmt::format("its data claims more frames than the file holds; "
                                "the {} frames there were read",
                                pcm->frames));
        } else {
            const std::size_t done = ReadWhole(sound, file, *kept, fresh);
            if (done < static_cast<std::size_t>(info.frames))
                said.push_back(fmt::format("it ends after {} of its {} frames", done, info.frames));
        }
        for (int i = 0; i < curves; ++i) {
            fresh.m_strCurveName[i] = ChannelName((*kept)[static_cast<std::size_t>(i)]);
            fresh.m_fCurveBottom[i] = -1;
            fresh.m_fCurveTop[i] = 1;
        }
        fresh.m_nCurveCount = curves;
        const timebase::Step step = timebase::StepOf(1.0 / info.samplerate);
        fresh.m_dblStep = step.value;
        fresh.m_strStepUnit = step.unit;
        fresh.m_strStepSource = fmt::format("its sample rate of {} Hz", info.samplerate);
        if (state.curves.empty() && info.channels > CTraceData::MAX_CURVES)
            said.push_back(fmt::format(
                "a trace holds 8 curves at most: channels 9 to {} were left out", info.channels));
        if (!said.empty()) {
            std::string text;
            for (const std::string& s : said) text += (text.empty() ? "" : "; ") + s;
            AfxNotice(name + ": " + text + ".");
        }
        return true;
    });
}
