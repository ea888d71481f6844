#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>

namespace mollwick {

// Moves source to target without ever replacing an existing target. Returns 0,
// or the errno of the failure; EEXIST means the target name is taken. Across
// file systems the file is copied under a temporary name in the target folder,
// synced, linked into place and only then removed at its source, so a failure
// at any point leaves the source whole and nothing under the target name.
int MoveFileNoReplace(const std::string& source, const std::string& target);

// The identity and state of a file as a search recorded it.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    std::uint64_t size = 0;
    timespec modified{};
};

// Removes the regular file at path only while it is still the file described
// by expected (same device, inode, size and modification time). Returns 0, or
// the errno of the failure; ESTALE when the file changed since it was recorded.
// Never removes a folder.
int RemoveFileIfUnchanged(const std::string& path, const FileIdentity& expected);

// The folder of the running executable, ending in "/".
std::string ExecutableFolder();

namespace testing {
// Makes the cross-file-system copy fail with EIO once this many bytes have been
// written; a negative value turns the fault off. Also forces every move to take
// the copying road when forceCopy is set.
void SetCopyFault(long long failAfterBytes, bool forceCopy);
}  // namespace testing

}  // namespace mollwick
