#include "TestFiles.h"
#include "core/MemoryEntryList.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace leitzahl {
namespace {

// The text of a list: its non-blank entries joined by LF. A hundred thousand entries
// are written in two halves at once, with blank ones where the halves meet.
TEST(Export, JoinsNonBlankEntriesWithLineFeeds)
{
    std::vector<std::string> many;
    std::string manyText;
    for (int i = 0; i < 100000; ++i) {
        const bool blank = i > 49990 && i < 50010 && i % 3 == 0;
        many.push_back(blank ? "  " : std::to_string(i) + ";Bank;00");
        manyText += blank ? "" : (manyText.empty() ? "" : "\n") + many.back();
    }
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"a;1;00", "b;2;01", "c;3;02"}, "a;1;00\nb;2;01\nc;3;02"},
        {{"", "a;1;00", "   ", "b;2;01", " "}, "a;1;00\nb;2;01"},
        {{"  "}, ""},
        {{}, ""},
        {{" a ", "b  "}, " a \nb  "},
        {many, manyText}};
    for (const auto& [entries, text] : cases) {
        MemoryEntryList list;
        for (const std::string& entry : entries) {
            list.append(entry);
        }
        FileText = "left over from a cancelled save\n";
        EXPECT_FALSE(BuildExportText(list).has_value());
        // Compared as a whole: a diff of the megabyte case would take gigabytes.
        EXPECT_TRUE(FileText.view() == text) << FileText.view().substr(0, 100);
    }
}

TEST(Export, AppendsExtensionOnlyWhereMissing)
{
    for (const auto& [chosen, completed] : {std::pair{"/tmp/blz", "/tmp/blz.csv"}, {"/tmp/blz.csv", "/tmp/blz.csv"},
                                            {"/tmp/blz.CSV", "/tmp/blz.CSV"}, {"/tmp/blz.txt", "/tmp/blz.txt.csv"},
                                            {"/tmp/blz.csvx", "/tmp/blz.csvx.csv"}, {".csv", ".csv"}}) {
        EXPECT_EQ(CompleteCsvName(chosen), completed);
    }
}

#ifndef _WIN32
constexpr unsigned kNobodyId = test::kNobody;
#endif

class WriteExportFileTest : public testing::Test {
protected:
    test::TempDir dir;
};

#ifndef _WIN32
// The ACL "user::rw-, user:nobody:rw-, group::r--, mask::rw-, other::r--" as the
// kernel stores it.
std::string AccessList()
{
    std::string acl("\x02\0\0\0", 4);
    for (const auto& [tag, permissions, id] : {std::tuple{1, 6, ~0U}, {2, 6, kNobodyId}, {4, 4, ~0U}, {0x10, 6, ~0U},
                                               {0x20, 4, ~0U}}) {
        const unsigned char entry[] = {static_cast<unsigned char>(tag), static_cast<unsigned char>(tag >> 8),
                                       static_cast<unsigned char>(permissions), 0,
                                       static_cast<unsigned char>(id), static_cast<unsigned char>(id >> 8),
                                       static_cast<unsigned char>(id >> 16), static_cast<unsigned char>(id >> 24)};
        acl.append(reinterpret_cast<const char*>(entry), sizeof entry);
    }
    return acl;
}

std::string Attribute(const std::string& path, const char* name)
{
    std::string value(256, '\0');
    const ssize_t got = getxattr(path.c_str(), name, value.data(), value.size());
    value.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return value;
}

struct stat Status(const std::string& path)
{
    struct stat info {};
    lstat(path.c_str(), &info);
    return info;
}

// Where a save goes and what it keeps, as a plain write and a careful editor would
// have it: each row prepares the folder and gives the name to save under; the save runs
// as this user or as another without root's rights; a failure must give its number and
// reason; the check gives back what is wrong, or nothing. The umask is 022 throughout.
TEST_F(WriteExportFileTest, SavesWhereAPlainWriteWouldAndKeepsWhatTheFileCarried)
{
    const bool root = geteuid() == 0;
    // A name of 4,090 bytes in folders of 200: no room left for the temporary name.
    std::string deep = dir.path("");
    while (deep.size() < 4086) {
        deep += std::string(std::min<std::size_t>(200, 4086 - deep.size()), 'x') + "/";
    }
    deep.pop_back();
    const std::string newText = "10020030;M\xFChle;A4";
    FileText = newText;
    const auto owned = [&](const std::string& name, mode_t mode, uid_t user, gid_t group) {
        test::WriteBytes(dir.path(name), "alt");
        EXPECT_EQ(chown(dir.path(name).c_str(), user, group), 0);
        EXPECT_EQ(chmod(dir.path(name).c_str(), mode), 0);
        return dir.path(name);
    };
    const auto holds = [&](const std::string& name, const std::string& want) {
        const std::string have = test::ReadBytes(dir.path(name));
        return have == want ? "" : name + " holds " + have;
    };
    ino_t before = 0;
    int pipeEnd = -1;
    struct rlimit sizeLimit {};
    struct Row {
        const char* name;
        bool needsRoot;
        bool asOtherUser;
        int failure;
        const char* reason;
        std::function<std::string()> prepare;
        std::function<std::string()> check;
    };
    const Row rows[] = {
        {"new file under the longest name: plain permissions", false, false, 0, nullptr,
         [&] { return dir.path(std::string(251, 'b')); },
         [&] { return (Status(dir.path(std::string(251, 'b') + ".csv")).st_mode & 07777) == 0644 ? "" : "mode"; }},
        {"replaced file: a new file with the old mode and owner", true, false, 0, nullptr,
         [&] {
             const std::string path = owned("alt.csv", 0604, test::kNobody, test::kNobody);
             before = Status(path).st_ino;
             return path;
         },
         [&] {
             const struct stat info = Status(dir.path("alt.csv"));
             return info.st_ino != before && (info.st_mode & 07777) == 0604 && info.st_uid == test::kNobody
                        ? holds("alt.csv", newText)
                        : "same file, or mode or owner lost";
         }},
        {"dangling link and chain of relative links followed", false, false, 0, nullptr,
         [&] {
             mkdir(dir.path("daten").c_str(), 0755);
             test::WriteBytes(dir.path("daten/echt.csv"), "alt");
             EXPECT_EQ(symlink("echt.csv", dir.path("daten/mitte.csv").c_str()), 0);
             EXPECT_EQ(symlink("daten/mitte.csv", dir.path("kette.csv").c_str()), 0);
             EXPECT_EQ(symlink("daten/neu.csv", dir.path("haengend.csv").c_str()), 0);
             EXPECT_FALSE(WriteExportFile(dir.path("haengend.csv")).failure.has_value());
             return dir.path("kette.csv");
         },
         [&] {
             return S_ISLNK(Status(dir.path("kette.csv")).st_mode) && S_ISLNK(Status(dir.path("haengend.csv")).st_mode)
                        ? holds("daten/echt.csv", newText) + holds("daten/neu.csv", newText)
                        : "a link was replaced";
         }},
        {"pipe written into through a link, under its own name", false, false, 0, nullptr,
         [&] {
             mkfifo(dir.path("p").c_str(), 0644);
             EXPECT_EQ(symlink("p", dir.path("zurpipe").c_str()), 0);
             pipeEnd = open(dir.path("p").c_str(), O_RDONLY | O_NONBLOCK);  // so that the save need not wait
             return dir.path("zurpipe");
         },
         [&] {
             char buffer[256];
             const ssize_t got = read(pipeEnd, buffer, sizeof buffer);
             close(pipeEnd);
             return std::string_view(buffer, got > 0 ? static_cast<std::size_t>(got) : 0) == newText &&
                            S_ISFIFO(Status(dir.path("p")).st_mode) && dir.names().size() == 2
                        ? ""
                        : "not written into the pipe";
         }},
        {"missing folder", false, false, ENOENT, "Datei oder Ordner nicht gefunden",
         [&] { return dir.path("fehlt/blz.csv"); }, [] { return ""; }},
        {"file in the path", false, false, ENOTDIR, "Ein Teil des Pfads ist kein Ordner",
         [&] { return owned("datei", 0644, geteuid(), getegid()) + "/blz.csv"; }, [&] { return holds("datei", "alt"); }},
        {"folder", false, false, EISDIR, "Das ist ein Ordner, keine Datei",
         [&] { return dir.path(""); }, [&] { return dir.names().empty() ? "" : "a file was made"; }},
        {"file-size limit reached half way", false, false, EFBIG, "Die Datei ist zu groß",
         [&] {
             FileText = std::string(1 << 20, 'x');
             std::signal(SIGXFSZ, SIG_IGN);  // so that the write fails instead
             getrlimit(RLIMIT_FSIZE, &sizeLimit);
             struct rlimit limited = sizeLimit;
             limited.rlim_cur = 64 * 1024;
             setrlimit(RLIMIT_FSIZE, &limited);
             return owned("blz.csv", 0644, geteuid(), getegid());
         },
         [&] {
             setrlimit(RLIMIT_FSIZE, &sizeLimit);
             std::signal(SIGXFSZ, SIG_DFL);
             FileText = newText;
             return holds("blz.csv", "alt");
         }},
        {"group kept where the owner cannot be", true, true, 0, nullptr,
         [&] {
             EXPECT_EQ(chown(dir.path("").c_str(), 0, test::kNobody), 0);
             chmod(dir.path("").c_str(), 0775);
             return owned("gruppe.csv", 0660, 0, test::kNobody);
         },
         [&] {
             const struct stat info = Status(dir.path("gruppe.csv"));
             return info.st_gid == test::kNobody && (info.st_mode & 07777) == 0660 ? holds("gruppe.csv", newText)
                                                                                     : "group or mode lost";
         }},
        {"ACL and extended attributes kept", false, false, 0, nullptr,
         [&] {
             const std::string path = owned("acl.csv", 0664, geteuid(), getegid());
             const std::string acl = AccessList();
             if (setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
                 setxattr(path.c_str(), "user.herkunft", "blz", 3, 0) != 0) {
                 return std::string();  // the file system keeps neither
             }
             return path;
         },
         [&] {
             const std::string path = dir.path("acl.csv");
             return Attribute(path, "system.posix_acl_access") == AccessList() && Attribute(path, "user.herkunft") == "blz"
                        ? holds("acl.csv", newText)
                        : "attributes lost";
         }},
        {"hard link written in place", false, false, 0, nullptr,
         [&] {
             const std::string path = owned("eins.csv", 0644, geteuid(), getegid());
             EXPECT_EQ(link(path.c_str(), dir.path("zwei.csv").c_str()), 0);
             return path;
         },
         [&] { return holds("zwei.csv", newText); }},
        {"another user's file that this one may not write", true, true, EACCES, nullptr,
         [&] {
             chmod(dir.path("").c_str(), 0777);
             return owned("fremd.csv", 0644, 0, 0);
         },
         [&] { return holds("fremd.csv", "alt"); }},
        {"write-protected file refused, also for root", false, false, kErrorWriteProtected,
         "Die Datei ist schreibgeschützt", [&] { return owned("geschuetzt.csv", 0444, geteuid(), getegid()); },
         [&] { return holds("geschuetzt.csv", "alt"); }},
        {"folder closed to the user, file open to them", true, true, 0, nullptr,
         [&] {
             chmod(dir.path("").c_str(), 0755);
             return owned("offen.csv", 0666, 0, 0);
         },
         [&] { return holds("offen.csv", newText); }},
        {"sticky folder, group-writable file of another user", true, true, 0, nullptr,
         [&] {
             chmod(dir.path("").c_str(), 01777);
             return owned("klebrig.csv", 0664, 0, test::kNobody);
         },
         [&] { return holds("klebrig.csv", newText); }},
        {"no room for the temporary name", false, false, 0, nullptr,
         [&] {
             std::filesystem::create_directories(std::filesystem::path(deep).parent_path());
             test::WriteBytes(deep + ".csv", "alt");
             return deep;
         },
         [&] { return test::ReadBytes(deep + ".csv") == newText ? "" : "not written"; }},
    };
    const mode_t oldMask = umask(022);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.needsRoot && !root) {
            GTEST_LOG_(INFO) << "skipped, needs root to give files to another user: " << row.name;
            continue;
        }
        const std::string path = row.prepare();
        if (path.empty()) {
            GTEST_LOG_(INFO) << "skipped, the file system keeps no such attributes: " << row.name;
            continue;
        }
        if (row.asOtherUser) {
            EXPECT_EQ(test::RunUnprivileged([&] { return WriteExportFile(path).failure ? 1 : 0; }), row.failure != 0);
        } else {
            const ExportResult result = WriteExportFile(path);
            const Failure failure = result.failure.value_or(Failure{});
            EXPECT_EQ(failure.number, row.failure);
            if (row.reason != nullptr) {
                EXPECT_EQ(failure.description,
                          "Die Datei „" + result.finalName + "“ kann nicht geschrieben werden: " + row.reason + ".");
            }
        }
        EXPECT_EQ(row.check(), "");
        chmod(dir.path("").c_str(), 0700);
        for (const std::string& name : dir.names()) {
            EXPECT_NE(name[0], '.') << "a temporary file was left";
            std::filesystem::remove_all(dir.path(name));
        }
    }
    umask(oldMask);
}

#endif

}  // namespace
}  // namespace leitzahl
