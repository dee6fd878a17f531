#include "trace/formats/io/ChunkedRead.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <exception>
#include <future>
#include <mutex>
#include <optional>
#include <system_error>

#include "framework/core/MessageSink.h"

ChunkRead ReadFrom(CFile& file, std::uint64_t at) {
    return [&file, at](char* buf, std::size_t n) mutable {
        const std::size_t got = file.ReadAt(at, buf, n);
        at += got;
        if (file.m_onRead) file.m_onRead(got);
        return got;
    };
}

std::vector<CFileChunk> SplitAtLineFeeds(CFile& file, std::uint64_t begin, int parts,
                                         std::uint64_t minBytes) {
    const std::uint64_t length = std::max(file.GetLength(), begin);
    std::vector<CFileChunk> chunks;
    const std::uint64_t size = length - begin;
    const auto n = static_cast<std::uint64_t>(std::max(parts, 1));
    std::uint64_t at = begin;
    for (std::uint64_t k = 1; k < n && size / n >= minBytes; ++k) {
        // The part ends after the first line feed from its share's end on.
        std::uint64_t cut = std::max(at, begin + size / n * k);
        char buf[4096];
        for (std::size_t got; (got = file.ReadAt(cut, buf, sizeof buf)) > 0; cut += got) {
            if (const void* nl = std::memchr(buf, '\n', got)) {
                cut += static_cast<std::uint64_t>(static_cast<const char*>(nl) - buf) + 1;
                chunks.push_back({at, cut, false});
                at = cut;
                break;
            }
        }
        if (at != cut) break;  // no line feed after it: the rest is one part
    }
    chunks.push_back({at, length, true});
    return chunks;
}

void ReadChunksInParallel(CFile& file, const std::vector<CFileChunk>& chunks,
                          const std::function<void(std::size_t, const ChunkRead&)>& work) {
    if (chunks.empty()) return;
    std::atomic<std::uint64_t> untold{0};  // bytes the other threads read, not yet told
    std::atomic<bool> stop{false};
    const auto reader = [&](const CFileChunk& c, bool here) -> ChunkRead {
        return [&, here, at = c.begin, end = c.end](char* buf, std::size_t n) mutable {
            if (stop) throw CReadCancelled();
            const std::size_t got =
                at < end
                    ? file.ReadAt(at, buf,
                                  static_cast<std::size_t>(std::min<std::uint64_t>(n, end - at)))
                    : 0;
            at += got;
            if (!here)
                untold += got;
            else if (file.m_onRead)
                file.m_onRead(got + untold.exchange(0));
            return got;
        };
    };
    // The first failure of any part stops the others, and is the one rethrown.
    std::mutex failing;
    std::exception_ptr first;
    const auto fail = [&](std::exception_ptr failure) {
        const std::lock_guard lock(failing);
        if (!first) first = std::move(failure);
        stop = true;
    };
    // What a part's thread shows goes where this thread's messages go, one at a time.
    CThreadMessageSink* const outer = CThreadMessageSink::Current();
    std::mutex showing;
    const auto relay = [&](MessageSink CThreadMessageSink::*which) -> MessageSink {
        return [&, which](std::string_view text) {
            const std::lock_guard lock(showing);
            (outer->*which)(text);
        };
    };
    const auto part = [&](std::size_t i) {
        std::optional<CThreadMessageSink> sink;
        if (outer != nullptr)
            sink.emplace(relay(&CThreadMessageSink::m_messages),
                         relay(&CThreadMessageSink::m_notices));
        try {
            work(i, reader(chunks[i], false));
        } catch (...) {
            fail(std::current_exception());
            throw;
        }
    };
    std::vector<std::future<void>> others;
    std::vector<std::size_t> here = {0};
    try {
        for (std::size_t i = 1; i < chunks.size(); ++i) {
            try {
                others.push_back(std::async(std::launch::async, [&part, i] { part(i); }));
            } catch (const std::system_error&) {
                here.push_back(i);  // no thread to be had: this one reads that part too
            }
        }
        for (const std::size_t i : here) work(i, reader(chunks[i], true));
        // The others' progress goes on being told while they finish.
        for (auto& f : others)
            while (f.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
                if (file.m_onRead) file.m_onRead(untold.exchange(0));
        if (file.m_onRead) file.m_onRead(untold.exchange(0));
    } catch (...) {
        fail(std::current_exception());
        for (auto& f : others) f.wait();
        std::rethrow_exception(first);
    }
    for (auto& f : others) f.get();
}
