#include "TestFiles.h"

#include "tools/generator/ZipArchive.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <random>
#ifndef _WIN32
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace leitzahl::test {

TempDir::TempDir()
    : root_(std::filesystem::temp_directory_path() / ("leitzahl-test-" + std::to_string(std::random_device()())))
{
    if (!std::filesystem::create_directory(root_)) {
        throw std::runtime_error("temporary folder exists: " + root_.string());
    }
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(root_, ignored);
}

std::vector<std::string> TempDir::names() const
{
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(root_)) {
        names.push_back(item.path().filename().string());
    }
    return names;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string Record(std::string_view sortCode, std::string_view name, std::string_view method)
{
    // Sort code, flag, name (58), postcode, town (35), short name (27), PAN and BIC,
    // method code, record number, change and deletion flags, successor.
    std::string field(name);
    field.resize(58, ' ');
    return std::string(sortCode) + "1" + field + "12345" + "Irgendwo" + std::string(27, ' ') + "Kurzname" +
           std::string(19, ' ') + "00000GENODEF1ABC" + std::string(method) + "000001U000000000";
}

#ifndef _WIN32
int RunUnprivileged(const std::function<int()>& check)
{
    const pid_t child = fork();
    if (child == 0) {
        const gid_t groups[] = {65534};
        const bool dropped = geteuid() != 0 || (setgroups(1, groups) == 0 && setgid(4242) == 0 && setuid(65534) == 0);
        _exit(dropped ? check() : 99);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

std::string Generated(const generator::Options& options)
{
    std::string text;
    generator::WriteSortCodeFile(options, [&](std::string_view piece) { text += piece; });
    return text;
}

std::string Zipped(const std::string& name, std::string_view bytes, const generator::ZipLayout& layout)
{
    generator::ZipArchive archive(name, layout);
    archive.add(bytes);
    std::string zip;
    archive.finish([&](std::string_view piece) { zip += piece; });
    return zip;
}

}  // namespace leitzahl::test
