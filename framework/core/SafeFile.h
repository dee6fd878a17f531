#pragma once
// A file written in place of another only when all of it was written: the bytes go to a
// temporary file beside the target, and Commit renames it over the target. A failed or
// abandoned write leaves the old file whole and removes the temporary file.

#include <string>

#include "framework/core/File.h"

class CSafeFile : public CFile {
public:
    // Creates the temporary file beside the target (beside what a symbolic link points to);
    // throws CFileException naming the target when it cannot.
    explicit CSafeFile(const std::string& path);
    ~CSafeFile() override;

    // Flushes the bytes to disk, gives them the target's permissions (or the usual ones for a
    // new file) and puts them in place. Throws CFileException on failure.
    void Commit();

private:
    std::string m_strTarget;  // the final path, links resolved
    std::string m_strTemp;
};
