#pragma once
// The portable face of the system layer: reading, saving and error texts, one half per system.

#include "core/Failure.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace leitzahl {

// The few calls into the operating system. Each gives back 0 or the system's error
// number, which DescribeSystemError puts into German.

std::string DescribeSystemError(int number);

// "Die Datei „NAME“ kann nicht gelesen werden: REASON." and its twin for writing.
Failure ReadFailure(std::string_view path, int number);
Failure WriteFailure(std::string_view path, int number);

// A file's bytes mapped into memory, read-only; one at a time. Should the file shrink
// while it is mapped, the bytes past its new end read as zeros and damaged() is true;
// so it is when the file's size is no longer the mapped one.
class FileMapping {
public:
    FileMapping() = default;
    FileMapping(FileMapping&& other) noexcept;
    FileMapping& operator=(FileMapping&& other) noexcept;
    ~FileMapping();

    bool mapped() const { return address_ != nullptr; }
    std::string_view bytes() const { return {static_cast<const char*>(address_), size_}; }
    bool damaged() const;
    // Lets go of the memory behind the whole pages within part, which is done with; read
    // again, they come back from the file. Keeps a large input from adding to the
    // memory that its output takes.
    void release(std::string_view part) const;

private:
    friend int ReadWholeFile(const std::string& path, FileMapping& mapping, std::string& text);

    void* address_ = nullptr;
    std::size_t size_ = 0;
    int descriptor_ = -1;  // kept open to compare the file's size with the mapped one
};

// Takes in the pages of fresh memory from begin on for size bytes at once, before they
// are written: one call instead of a fault for each page.
void PrepareForWriting(char* begin, std::size_t size);

// All bytes of the file: mapped where it is a regular file that can be mapped, else
// read into text.
int ReadWholeFile(const std::string& path, FileMapping& mapping, std::string& text);
// All bytes of standard input, read into text.
int ReadStandardInput(std::string& text);

// What a path names, links followed: nothing, a regular file, a folder, or something
// else (a pipe, a device, a socket) that is written into as it is.
enum class FileKind { Missing, Regular, Folder, Other };
FileKind KindOfFile(const std::string& path);

// Writes bytes to the file at path as a plain write would (through symbolic links,
// into pipes and devices, through the kernel's names such as /dev/stdout), except that
// a regular file is never left half written: the bytes go to a temporary file beside
// it, which then takes its place and what the old file carried. A file with several
// names, one behind a name of the kernel's, or one that no temporary file can replace
// where a plain write may write it, is written in place once the room for the new
// bytes is taken. A file without any write permission is never written; one swapped
// for another between the check and the open is refused (kErrorSwapped).
int SaveFile(const std::string& path, std::string_view bytes);
// From now on a named pipe that no program reads is refused (ENXIO) instead of waited
// for, as a window must not freeze; the converter waits, as a plain write does.
void RefusePipesWithoutReader();
int WriteStandardOutput(std::string_view bytes);
// Whether path names what standard output is (/dev/stdout, /proc/self/fd/1, the file or
// pipe it goes to): the messages then go to standard error, as with "-".
bool NamesStandardOutput(const std::string& path);

// Runs write with the name of a scratch file for a library that writes only to a named
// file, then gives back the bytes written there in bytes; 0 or the error number, or
// write's own (non-zero) result. No trace of the file is left, also when a signal ends
// the program meanwhile (on Linux it is in memory only, never on a disk).
int WriteThroughScratchFile(const std::function<int(const std::string& name)>& write, std::string& bytes);

// Removes the temporary file of a save under way; safe to call from a signal handler.
// On Windows, where Ctrl+C comes on a thread of its own, it also waits until a file
// written in place is whole.
void RemovePendingTemporaryFile();

}  // namespace leitzahl
