#pragma once
// How every reader ends when the file or the memory fails it.

#include <new>

#include "framework/core/File.h"
#include "framework/core/MessageSink.h"
#include "trace/tesqDoc.h"

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
    }
    return false;
}
