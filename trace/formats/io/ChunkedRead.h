#pragma once
// A file read by several threads at once, each a part that ends at a line feed. Reading
// goes through CFile::ReadAt; only the calling thread tells the file's read hook (progress
// and cancel), for every thread's bytes.

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/core/File.h"

struct CFileChunk {
    std::uint64_t begin;
    std::uint64_t end;  // the byte before it is a line feed, unless last
    bool last;          // the file's end: the text after its last line feed is a line
};

// read(buf, n): the next bytes of a part, 0 at its end.
using ChunkRead = std::function<std::size_t(char*, std::size_t)>;

// Bytes from `at` to the end of the file, each read told to the read hook.
ChunkRead ReadFrom(CFile& file, std::uint64_t at);

// begin .. the file's length in up to `parts` parts of about equal size that end at line
// feeds; one part when there are fewer than minBytes per part.
std::vector<CFileChunk> SplitAtLineFeeds(CFile& file, std::uint64_t begin, int parts,
                                         std::uint64_t minBytes);

// work(i, read) for every part i: the first on this thread, the others each on its own (on
// this one too when no thread can be had). A hook that throws stops the other threads and
// is rethrown, as is any thread's exception.
void ReadChunksInParallel(CFile& file, const std::vector<CFileChunk>& chunks,
                          const std::function<void(std::size_t, const ChunkRead&)>& work);
