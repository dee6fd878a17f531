#pragma once
// A file written in place of another only when all of it was written, by the rules a
// careful editor follows: the bytes go to a temporary file of a short name beside the
// target, and Commit syncs it, renames it over the target with the target's permissions,
// owner and group (as far as the user may set them) and syncs the folder. A failed or
// abandoned write leaves the old file whole and removes the temporary file.
//   - An existing target the user may not write is refused (access denied), untouched.
//   - Where no temporary file can go beside it (a folder the user may not write) or the
//     target has other hard links, or a sticky folder would refuse the rename, the target is
//     written in place, so the links and the file stay one: the bytes wait in a nameless
//     file in the temporary folder (else /tmp, else beside the target), Commit
//     reserves the new size on the target's disk (a full disk refuses there, the old file
//     untouched), then copies them over and syncs with the ending signals held in every
//     thread of the process. Only an end the process cannot delay (SIGKILL, a power cut) can
//     leave it part written then.
//   - A symbolic link is followed to the file it names; a loop is an invalid path.

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/core/File.h"

class CSafeFile : public CFile {
public:
    // Throws CFileException naming the path when the target cannot be written.
    explicit CSafeFile(const std::string& path);
    ~CSafeFile() override;

    // Flushes the bytes to disk and puts them in place. Throws CFileException on failure.
    void Commit();
    // Writing in place, a staging folder that runs out of room hands the bytes so far to the
    // next one; when none takes them, the failure names the first folder.
    void Write(const void* pBuf, std::size_t nCount) override;
    // Told the count of every write's bytes; may throw (a cancel) to stop the save, which
    // then leaves the old file as it was.
    std::function<void(std::size_t)> m_onWrite;

    // How the bytes are synced to disk (fsync); tests count its calls.
    static int (*s_sync)(int fd);
    // Told how many bytes a save in place has copied over its target so far; tests send a
    // signal in the middle of the copy.
    static void (*s_copied)(long long bytes);

private:
    void CommitInPlace();
    // A staging file in the first folder from m_nStaging on that takes one, holding the first
    // `kept` bytes of the present one; throws stagingFailed when none does.
    void Restage(off_t kept, int failure);

    std::string m_strTarget;  // the final path, links resolved
    std::string m_strTemp;    // the temporary file beside it; empty when writing in place
    int m_hTarget = -1;       // writing in place: the target, written at Commit
    std::vector<std::string> m_stagingFolders;  // writing in place: where the bytes may wait
    std::size_t m_nStaging = 0;                 // the one they wait in
};

// From now on the signals that end a process by default (SIGINT, SIGTERM, SIGHUP, SIGPIPE,
// SIGALRM, SIGUSR1 ...) remove the temporary file of a save in progress and then do what
// they did before: the handler that was there, or end the process as the signal would.
// SIGXFSZ is ignored, so a write past the file-size limit fails with a message instead.
void RemoveSaveTempFileOnSignals();
