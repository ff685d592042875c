#pragma once
// The pieces of reading and saving on Linux that their files share.

#include "core/system/SystemFile.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace leitzahl::posix {

// All bytes, in pieces; 0 or the error number.
int WriteAll(int fd, std::string_view bytes);
// Closes fd and gives back error, or the close's error where error is 0.
int CloseKeepingFirstError(int fd, int error);

// What a save writes to: the path a plain write would reach, with what it found there.
struct Target {
    std::string path;
    bool exists = false;
    struct stat info {};  // the path itself, not followed, where it exists
    // A name of the kernel's (/dev/stdout, /proc/self/fd/1, a process substitution's
    // /dev/fd/63): its link text names no path ("pipe:[N]") or one that no longer leads
    // to the open file, so only the kernel can follow it.
    bool kernelName = false;
};

// Symbolic links followed, also a dangling one, to the path they name; each name is
// looked up once, and what it was is kept for the open that follows.
int ResolveLinks(std::string path, Target& target);

// Owner, group, extended attributes and permissions of the old file. A user who may
// not give the new file the old one's owner and group gets EPERM, and the file is
// written in place instead, as a careful editor does: handed to this user, the file
// could lock its owner out.
int KeepWhatTheFileCarried(const std::string& target, const struct stat& existing, int fd);

// Writes, syncs and closes the temporary file, then renames it over the target. The
// stage that failed tells whether writing in place may still help.
struct Replacement {
    int error = 0;
    bool inWriting = false;  // the temporary file was made but could not be written
};
Replacement ReplaceThroughTemporary(const std::string& target, std::string_view bytes, const struct stat* existing);

// Opens the target that was checked, for writing, and makes sure it is still the one:
// another user may have put a link or another file in its place since (in a folder
// open to all), and the save must not write through that.
int OpenChecked(const Target& target, int& fd);
// A regular file written where it stands, through a descriptor that the caller opened:
// for a file with other names (hard links), for one behind a name of the kernel's, and
// where a plain write may write it but no temporary file can take its place (or not
// with the file's owner). The room for the new text is taken first, so that a full
// disk or the file-size limit fails before a byte changes; a failure after that gives
// the file back its old size. Closes fd.
int WriteInPlace(int fd, std::string_view bytes);
// A pipe, a device or a socket takes the bytes as they come (replacing it would destroy
// it); a regular file behind a name of the kernel's is written in place. Closes fd.
int WriteOpened(int fd, std::string_view bytes);
// The kernel follows its own names: the object it reaches is what a plain write would
// write into, and no file is created there.
int WriteThroughKernelName(const Target& target, std::string_view bytes);

// The mapped file between begin and begin + size is watched for the bus error that
// reading it raises once the file has shrunk; MappingShrunk tells whether it came.
void WatchMapping(char* begin, std::size_t size);
void ForgetMapping();
bool MappingShrunk();

}  // namespace leitzahl::posix
