#pragma once
// A file written in place of another only when all of it was written, by the rules a
// careful editor follows: the bytes go to a temporary file beside the target, and Commit
// renames it over the target with the target's permissions, owner and group (as far as the
// user may set them) and syncs the folder. A failed or abandoned write leaves the old file
// whole and removes the temporary file.
//   - An existing target the user may not write is refused (access denied), untouched.
//   - Where no temporary file can go beside it (a folder the user may not write) or the
//     target has other hard links, the target is written in place, so the links and the
//     file stay one; a failure then can leave it part written.
//   - A symbolic link is followed to the file it names; a loop is an invalid path.

#include <string>

#include "framework/core/File.h"

class CSafeFile : public CFile {
public:
    // Throws CFileException naming the path when the target cannot be written.
    explicit CSafeFile(const std::string& path);
    ~CSafeFile() override;

    // Flushes the bytes to disk and puts them in place. Throws CFileException on failure.
    void Commit();

private:
    std::string m_strTarget;  // the final path, links resolved
    std::string m_strTemp;    // empty when writing in place
};

// From now on SIGINT, SIGTERM and SIGHUP remove the temporary file of a save in progress
// before the process ends as the signal would end it.
void RemoveSaveTempFileOnSignals();
