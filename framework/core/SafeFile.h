#pragma once
// A file written in place of another only when all of it was written, by the rules a
// careful editor follows: the bytes go to a temporary file of a short name beside the
// target, and Commit syncs it, renames it over the target with the target's permissions,
// owner and group (as far as the user may set them) and syncs the folder. A failed or
// abandoned write leaves the old file whole and removes the temporary file.
//   - An existing target the user may not write is refused (access denied), untouched.
//   - Where no temporary file can go beside it (a folder the user may not write) or the
//     target has other hard links, the target is written in place, so the links and the
//     file stay one: the bytes wait in a nameless file in the temporary folder, Commit
//     reserves the new size on the target's disk (a full disk refuses there, the old file
//     untouched), then copies them over and syncs with the ending signals held. Only an
//     end the process cannot delay (SIGKILL, a power cut) can leave it part written then.
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

    // How the bytes are synced to disk (fsync); tests count its calls.
    static int (*s_sync)(int fd);

private:
    void CommitInPlace();

    std::string m_strTarget;  // the final path, links resolved
    std::string m_strTemp;    // the temporary file beside it; empty when writing in place
    int m_hTarget = -1;       // writing in place: the target, written at Commit
};

// From now on the signals that end a process by default (SIGINT, SIGTERM, SIGHUP, SIGPIPE,
// SIGALRM, SIGUSR1 ...) remove the temporary file of a save in progress and then do what
// they did before: the handler that was there, or end the process as the signal would.
// SIGXFSZ is ignored, so a write past the file-size limit fails with a message instead.
void RemoveSaveTempFileOnSignals();
