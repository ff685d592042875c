#pragma once
// Errors as results: a number and a German description, never thrown.

#include <cerrno>
#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace leitzahl {

// An error as the user sees it: a number (never 0) and a short German description.
struct Failure {
    std::int32_t number = 0;
    std::string description;
};

// System errors use the system's error numbers; the program's own start here, above
// those of files on Linux. (On Windows the same numbers also name system errors that
// no file call of this program gives.)
inline constexpr std::int32_t kErrorLineTooShort = 1001;
// A file without any write permission (or, on Windows, marked read-only): never replaced.
inline constexpr std::int32_t kErrorWriteProtected = 1002;
// An input without a single entry: converting it would replace a result with nothing.
inline constexpr std::int32_t kErrorNoEntries = 1003;
// A file that another program changed while it was read, on either system.
inline constexpr std::int32_t kErrorReadFault = 1004;
// The file checked for a save is no longer the one under its name when it is opened.
inline constexpr std::int32_t kErrorSwapped = 1005;
// A ZIP archive that is damaged, empty, encrypted, too large or holds no single sort-code file.
inline constexpr std::int32_t kErrorArchive = 1006;
// An XML file that is not well-formed or carries a document type definition.
inline constexpr std::int32_t kErrorXml = 1007;
// A workbook that cannot be made: a list longer than a sheet, or the library's failure.
inline constexpr std::int32_t kErrorWorkbook = 1008;

// The system's numbers for the errors the program reports without a system call.
#ifdef _WIN32
inline constexpr std::int32_t kErrorOutOfMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY
inline constexpr std::int32_t kErrorTooLarge = 223;   // ERROR_FILE_TOO_LARGE
inline constexpr std::int32_t kErrorIsFolder = 267;   // ERROR_DIRECTORY
#else
inline constexpr std::int32_t kErrorOutOfMemory = ENOMEM;
inline constexpr std::int32_t kErrorTooLarge = EFBIG;
inline constexpr std::int32_t kErrorIsFolder = EISDIR;
#endif

using MaybeFailure = std::optional<Failure>;

// Runs work (which gives back nothing or a MaybeFailure) and turns running out of
// memory, or a size no buffer can hold, into a failure, so that no stage ends the program.
template <class Work>
MaybeFailure GuardMemory(Work&& work)
{
    try {
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            return std::nullopt;
        } else {
            return work();
        }
    } catch (const std::bad_alloc&) {
        return Failure{kErrorOutOfMemory, "Nicht genügend Arbeitsspeicher."};
    } catch (const std::length_error&) {
        return Failure{kErrorTooLarge, "Die Datenmenge ist zu groß für den Arbeitsspeicher."};
    }
}

}  // namespace leitzahl
