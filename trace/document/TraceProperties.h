#pragma once
// What the open trace is and where it came from, as one list of named values: the file, its
// format and size, the curves, the step and where the read found it, the time of the first
// sample, every header item and every notice of the read. File > Properties shows it;
// `tesqv-cli info` prints the same facts.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CtesqDoc;

struct TraceProperty {
    std::string name, value;
};

std::vector<TraceProperty> TracePropertiesOf(const CtesqDoc& doc);

// "1536 bytes (1.5 KiB)"; the size of the file at path, or none when it cannot be told.
std::string SizeText(std::uint64_t bytes);
std::optional<std::uint64_t> FileSizeOf(const std::string& path);
