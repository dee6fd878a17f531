#pragma once
// How every reader ends when the file or the memory fails it, and the refusals they share.

#include <new>
#include <string>

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "trace/formats/io/LineReader.h"

// Shown when a file holds more samples than the 32-bit sample count can hold.
inline constexpr const char* MSG_TOO_MANY_SAMPLES =
    "The file holds more than 2147483647 samples; it cannot be opened.";
// Shown when the samples of a file do not fit in memory.
inline std::string NoMemoryMessage(const std::string& path) {
    return "Not enough memory to open " + path + ".";
}

// Runs a reader's body (which returns false after showing its own message); a file error or
// memory that runs out is shown here, and the read gives false. Cancels pass through.
template <typename Body>
bool ReportingReadFailures(CFile& file, Body&& body) {
    try {
        return body();
    } catch (const CFileException& e) {
        e.ReportError();
    } catch (const std::bad_alloc&) {
        AfxMessageBox(NoMemoryMessage(file.GetFilePath()));
    } catch (const CLineTooLong&) {
        AfxMessageBox(file.GetFilePath() + " has a line longer than 64 MiB; it was not opened.");
    }
    return false;
}
