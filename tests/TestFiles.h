#pragma once

#include "tools/generator/SortCodeFileGenerator.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace leitzahl::test {

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path(std::string_view name) const { return (root_ / name).string(); }
    std::vector<std::string> names() const;

private:
    std::filesystem::path root_;
};

// A file that cannot be read reads as empty, which the comparison then shows.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, std::string_view bytes);

// A 168-character record in the Bundesbank layout; name is padded to its 58 characters.
std::string Record(std::string_view sortCode, std::string_view name, std::string_view method);

// The bytes of the project's generated file for the options.
std::string Generated(const generator::Options& options);

// The bytes as the one file, of that name, of a ZIP archive.
std::string Zipped(const std::string& name, std::string_view bytes, const generator::ZipLayout& layout = {});

#ifndef _WIN32
// Runs check in a child process without root's rights (when run as root: as nobody,
// 65534, member of its group; with primary group 4242, so that its files' group tells
// whether a save kept the group of the file it replaced), so that permission errors can
// be seen; gives back the child's exit status.
int RunUnprivileged(const std::function<int()>& check);
#endif

}  // namespace leitzahl::test
