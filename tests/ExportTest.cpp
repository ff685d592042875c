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
// have it. Each row makes a file holding "alt" (given to another owner where it says so),
// sets the folder's mode, prepares what else it needs (false: the file system cannot),
// and saves as this user or as another without root's rights. A failure must give its
// number and reason; else the file holds the new text. The check gives back what else
// is wrong, or nothing. The umask is 022 throughout.
TEST_F(WriteExportFileTest, SavesWhereAPlainWriteWouldAndKeepsWhatTheFileCarried)
{
    constexpr unsigned kMine = ~0U;
    constexpr unsigned kNobody = test::kNobody;
    enum Who { kMe, kRoot, kOtherUser };  // kRoot: set up as root, saved by root
    struct Row {
        const char* name;
        Who who;
        mode_t folderMode;  // 0: left as made
        const char* file;
        mode_t fileMode;
        unsigned owner;
        unsigned group;
        int failure;
        const char* reason;
        std::string saveAs;  // empty: the file
        std::function<bool()> prepare;
        std::function<std::string()> check;
    };
    // A name of 4,090 bytes in folders of 200: no room left for the temporary name.
    std::string deep = dir.path("");
    while (deep.size() < 4086) {
        deep += std::string(std::min<std::size_t>(200, 4086 - deep.size()), 'x') + "/";
    }
    deep.pop_back();
    const std::string newText = "10020030;M\xFChle;A4";
    const auto holds = [&](const std::string& name, const std::string& want) {
        const std::string have = test::ReadBytes(dir.path(name));
        return have == want ? "" : name + " holds " + have;
    };
    const auto none = [] { return true; };
    const auto fine = [] { return std::string(); };
    ino_t before = 0;
    int pipeEnd = -1;
    struct rlimit sizeLimit {};
    const Row rows[] = {
        {"new file under the longest name: plain permissions", kMe, 0, nullptr, 0, 0, 0, 0, nullptr,
         dir.path(std::string(251, 'b')), none,
         [&] { return (Status(dir.path(std::string(251, 'b') + ".csv")).st_mode & 07777) == 0644 ? "" : "mode"; }},
        {"replaced file: a new file with the old mode and owner", kRoot, 0, "alt.csv", 0604, kNobody, kNobody, 0,
         nullptr, "", [&] { return (before = Status(dir.path("alt.csv")).st_ino) != 0; },
         [&] {
             const struct stat info = Status(dir.path("alt.csv"));
             return info.st_ino != before && (info.st_mode & 07777) == 0604 && info.st_uid == kNobody ? "" : "lost";
         }},
        {"dangling link and chain of relative links followed", kMe, 0, "echt.csv", 0644, kMine, kMine, 0, nullptr,
         dir.path("kette.csv"),
         [&] {
             return symlink("echt.csv", dir.path("mitte.csv").c_str()) == 0 &&
                    symlink("mitte.csv", dir.path("kette.csv").c_str()) == 0 &&
                    symlink("daten/neu.csv", dir.path("haengend.csv").c_str()) == 0 &&
                    mkdir(dir.path("daten").c_str(), 0755) == 0 && !WriteExportFile(dir.path("haengend.csv")).failure;
         },
         [&] {
             return S_ISLNK(Status(dir.path("kette.csv")).st_mode) && S_ISLNK(Status(dir.path("haengend.csv")).st_mode)
                        ? holds("daten/neu.csv", newText)
                        : "a link was replaced";
         }},
        {"pipe written into through a link, under its own name", kMe, 0, nullptr, 0, 0, 0, 0, nullptr,
         dir.path("zurpipe"),
         [&] {
             // Opened for reading first, so that the save need not wait.
             return mkfifo(dir.path("p").c_str(), 0644) == 0 && symlink("p", dir.path("zurpipe").c_str()) == 0 &&
                    (pipeEnd = open(dir.path("p").c_str(), O_RDONLY | O_NONBLOCK)) >= 0;
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
        {"missing folder", kMe, 0, nullptr, 0, 0, 0, ENOENT, "Datei oder Ordner nicht gefunden",
         dir.path("fehlt/blz.csv"), none, fine},
        {"file in the path", kMe, 0, "datei", 0644, kMine, kMine, ENOTDIR, "Ein Teil des Pfads ist kein Ordner",
         dir.path("datei/blz.csv"), none, fine},
        {"folder", kMe, 0, nullptr, 0, 0, 0, EISDIR, "Das ist ein Ordner, keine Datei", dir.path(""), none,
         [&] { return dir.names().empty() ? "" : "a file was made"; }},
        {"file-size limit reached half way", kMe, 0, "blz.csv", 0644, kMine, kMine, EFBIG, "Die Datei ist zu groß", "",
         [&] {
             FileText = std::string(1 << 20, 'x');
             std::signal(SIGXFSZ, SIG_IGN);  // so that the write fails instead
             getrlimit(RLIMIT_FSIZE, &sizeLimit);
             struct rlimit limited = sizeLimit;
             limited.rlim_cur = 64 * 1024;
             return setrlimit(RLIMIT_FSIZE, &limited) == 0;
         },
         [&] {
             setrlimit(RLIMIT_FSIZE, &sizeLimit);
             std::signal(SIGXFSZ, SIG_DFL);
             FileText = newText;
             return "";
         }},
        {"owner and group kept where the user may not give them", kOtherUser, 0775, "gruppe.csv", 0660, 0, kNobody, 0, nullptr, "",
         [&] { return chown(dir.path("").c_str(), 0, kNobody) == 0; },
         [&] {
             const struct stat info = Status(dir.path("gruppe.csv"));
             return info.st_uid == 0 && info.st_gid == kNobody && (info.st_mode & 07777) == 0660 ? ""
                                                                                                 : "owner, group or mode lost";
         }},
        {"ACL and extended attributes kept", kMe, 0, "acl.csv", 0664, kMine, kMine, 0, nullptr, "",
         [&] {
             const std::string acl = AccessList();
             return setxattr(dir.path("acl.csv").c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0 &&
                    setxattr(dir.path("acl.csv").c_str(), "user.herkunft", "blz", 3, 0) == 0;
         },
         [&] {
             const std::string path = dir.path("acl.csv");
             return Attribute(path, "system.posix_acl_access") == AccessList() && Attribute(path, "user.herkunft") == "blz"
                        ? ""
                        : "attributes lost";
         }},
        {"no ACL taken from the folder", kMe, 0, "ohne.csv", 0664, kMine, kMine, 0, nullptr, "",
         [&] {
             const std::string acl = AccessList();
             return setxattr(dir.path("").c_str(), "system.posix_acl_default", acl.data(), acl.size(), 0) == 0;
         },
         [&] {
             removexattr(dir.path("").c_str(), "system.posix_acl_default");
             return Attribute(dir.path("ohne.csv"), "system.posix_acl_access").empty() ? "" : "the folder's ACL taken";
         }},
        {"link planted by another user in a sticky folder", kRoot, 01777, "ziel.csv", 0644, kMine, kMine, EACCES,
         "Zugriff verweigert", dir.path("falle.csv"),
         [&] {
             return symlink("ziel.csv", dir.path("falle.csv").c_str()) == 0 &&
                    lchown(dir.path("falle.csv").c_str(), kNobody, kNobody) == 0;
         },
         fine},
        {"hard link written in place", kMe, 0, "eins.csv", 0644, kMine, kMine, 0, nullptr, "",
         [&] { return link(dir.path("eins.csv").c_str(), dir.path("zwei.csv").c_str()) == 0; },
         [&] { return holds("zwei.csv", newText); }},
        {"another user's file that this one may not write", kOtherUser, 0777, "fremd.csv", 0644, 0, 0, EACCES, nullptr,
         "", none, fine},
        {"own file whose owner may not write it (the group may)", kOtherUser, 0777, "eigen.csv", 0464, kNobody, kNobody,
         EACCES, nullptr, "", none, fine},
        {"write-protected file refused, also for root", kMe, 0, "geschuetzt.csv", 0444, kMine, kMine,
         kErrorWriteProtected, "Die Datei ist schreibgeschützt", "", none, fine},
        {"folder closed to the user, file open to them", kOtherUser, 0755, "offen.csv", 0666, 0, 0, 0, nullptr, "",
         none, fine},
        {"sticky folder, group-writable file of another user", kOtherUser, 01777, "klebrig.csv", 0664, 0, kNobody, 0,
         nullptr, "", none, fine},
        {"no room for the temporary name", kMe, 0, nullptr, 0, 0, 0, 0, nullptr, deep,
         [&] {
             std::filesystem::create_directories(std::filesystem::path(deep).parent_path());
             test::WriteBytes(deep + ".csv", "alt");
             return true;
         },
         [&] { return test::ReadBytes(deep + ".csv") == newText ? "" : "not written"; }},
    };
    FileText = newText;
    const mode_t oldMask = umask(022);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.who != kMe && geteuid() != 0) {
            GTEST_LOG_(INFO) << "skipped, needs root to give files to another user: " << row.name;
            continue;
        }
        if (row.file != nullptr) {
            test::WriteBytes(dir.path(row.file), "alt");
            chmod(dir.path(row.file).c_str(), row.fileMode);
            if (row.owner != kMine) {
                ASSERT_EQ(chown(dir.path(row.file).c_str(), row.owner, row.group), 0);
            }
        }
        if (row.folderMode != 0) {
            chmod(dir.path("").c_str(), row.folderMode);
        }
        if (!row.prepare()) {
            GTEST_LOG_(INFO) << "skipped, the file system cannot: " << row.name;
            continue;
        }
        const std::string path = row.saveAs.empty() ? dir.path(row.file) : row.saveAs;
        if (row.who == kOtherUser) {
            EXPECT_EQ(test::RunUnprivileged([&] { return WriteExportFile(path).failure ? 1 : 0; }), row.failure != 0);
        } else {
            const ExportResult result = WriteExportFile(path);
            EXPECT_EQ(result.failure.value_or(Failure{}).number, row.failure);
            if (row.reason != nullptr && result.failure) {
                EXPECT_EQ(result.failure->description,
                          "Die Datei „" + result.finalName + "“ kann nicht geschrieben werden: " + row.reason + ".");
            }
        }
        EXPECT_EQ(row.check(), "");
        if (row.file != nullptr) {
            EXPECT_EQ(holds(row.file, row.failure != 0 ? "alt" : newText), "");
        }
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
