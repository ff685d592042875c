#include "core/modCsvExport.h"

#include "core/SystemFile.h"
#include "core/TextRules.h"
#include "core/modFileToTextBox.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace leitzahl {

void BuildExportText(const EntryList& list)
{
    FileText.clear();
    const std::size_t count = list.count();
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        bytes += list.entry(i).size() + 1;
    }
    FileText.reserve(bytes);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view entry = list.entry(i);
        if (!TrimSpaces(entry).empty()) {
            FileText.append(entry);
            FileText += '\n';
        }
    }
    while (!FileText.empty() && FileText.back() == '\n') {
        FileText.pop_back();
    }
}

std::string CompleteCsvName(std::string_view name)
{
    constexpr std::string_view kUpperExtension = ".CSV";
    const std::string_view tail = name.substr(name.size() - std::min(name.size(), kUpperExtension.size()));
    const bool hasExtension = std::equal(tail.begin(), tail.end(), kUpperExtension.begin(), kUpperExtension.end(),
                                         [](char have, char upper) {
                                             return std::toupper(static_cast<unsigned char>(have)) == upper;
                                         });
    std::string completed(name);
    if (!hasExtension) {
        completed += ".csv";
    }
    return completed;
}

namespace {

// A new file gets the permissions a plain create would give; a replaced one keeps its own.
mode_t ModeFor(const std::string& target)
{
    struct stat info {};
    if (stat(target.c_str(), &info) == 0) {
        return info.st_mode & 07777;
    }
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Where the bytes really go: through a symbolic link to the file it names, as a plain
// write would, instead of replacing the link with a file.
std::string ResolveLink(const std::string& target)
{
    struct stat info {};
    if (lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = realpath(target.c_str(), nullptr)) {
            std::string path(resolved);
            std::free(resolved);
            return path;
        }
    }
    return target;
}

// A hidden name beside the target; shortened so that a long file name still leaves
// room for the added characters within the file system's limit.
std::string TemporaryNameFor(const std::string& target)
{
    constexpr std::size_t kKeptLength = 200;
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + file.substr(0, kKeptLength) + ".XXXXXX";
}

// Writes the temporary file, waits until its bytes are on the disk, and closes it;
// returns 0 or the error number. Only then may it replace the target.
int FillTemporary(int fd, mode_t mode)
{
    int error = fchmod(fd, mode) != 0 ? errno : 0;
    if (error == 0) {
        error = WriteAll(fd, FileText);
    }
    if (error == 0 && fsync(fd) != 0) {
        error = errno;
    }
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

}  // namespace

ExportResult WriteExportFile(const std::string& name)
{
    ExportResult result{CompleteCsvName(name), std::nullopt};
    const std::string target = ResolveLink(result.finalName);
    std::string temporary = TemporaryNameFor(target);
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        result.failure = WriteFailure(result.finalName, errno);
        return result;
    }
    int error = FillTemporary(fd, ModeFor(target));
    if (error == 0 && std::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        unlink(temporary.c_str());
        result.failure = WriteFailure(result.finalName, error);
    }
    return result;
}

MaybeFailure WriteExportToStandardOutput()
{
    if (const int error = WriteAll(STDOUT_FILENO, FileText)) {
        return WriteFailure("(Standardausgabe)", error);
    }
    return std::nullopt;
}

}  // namespace leitzahl

