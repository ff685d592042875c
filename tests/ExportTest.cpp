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
        BuildExportText(list);
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
// A new file, here under the longest name a folder takes once ".csv" is added, gets the
// permissions the umask leaves; a replaced one keeps its own and, where the process may
// set it (root), its owner, and is a new file under the old name, so that no reader
// ever sees it half written. No temporary file is left.
TEST_F(WriteExportFileTest, NewFileGetsPlainPermissionsAndReplacedFileKeepsItsOwn)
{
    const std::string name(251, 'b');
    test::WriteBytes(dir.path("alt.csv"), "old content that is longer than the new one");
    chmod(dir.path("alt.csv").c_str(), 0604);
    const bool root = geteuid() == 0;
    ASSERT_EQ(chown(dir.path("alt.csv").c_str(), test::kNobody, test::kNobody), root ? 0 : -1);
    FileText = "10020030;M\xFChle;A4\n20030040;B;00";
    struct stat info {};
    ASSERT_EQ(stat(dir.path("alt.csv").c_str(), &info), 0);
    const ino_t oldFile = info.st_ino;
    const mode_t old = umask(022);
    ASSERT_FALSE(WriteExportFile(dir.path("alt.csv")).failure.has_value());
    const ExportResult result = WriteExportFile(dir.path(name));
    umask(old);
    EXPECT_EQ(result.finalName, dir.path(name + ".csv"));
    EXPECT_EQ(test::ReadBytes(dir.path(name + ".csv")), FileText.view());
    EXPECT_EQ(test::ReadBytes(dir.path("alt.csv")), FileText.view());
    EXPECT_EQ(dir.names().size(), 2U);
    ASSERT_EQ(stat(dir.path("alt.csv").c_str(), &info), 0);
    EXPECT_NE(info.st_ino, oldFile);
    EXPECT_EQ(info.st_mode & 07777, 0604U);
    EXPECT_EQ(info.st_uid, root ? test::kNobody : geteuid());
    ASSERT_EQ(stat(dir.path(name + ".csv").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644U);
}

// Where a save goes: where a plain write would put it, through links (a dangling one
// and a chain of relative ones too) and into a pipe, which all stay as they are.
TEST_F(WriteExportFileTest, WritesWhereAPlainWriteWouldAndKeepsLinksAndPipes)
{
    mkfifo(dir.path("pipe.csv").c_str(), 0644);
    mkdir(dir.path("daten").c_str(), 0755);
    test::WriteBytes(dir.path("daten/echt.csv"), "alt");
    ASSERT_EQ(symlink("pipe.csv", dir.path("zurpipe.csv").c_str()), 0);
    ASSERT_EQ(symlink("daten/neu.csv", dir.path("haengend.csv").c_str()), 0);
    ASSERT_EQ(symlink("echt.csv", dir.path("daten/mitte.csv").c_str()), 0);
    ASSERT_EQ(symlink("daten/mitte.csv", dir.path("kette.csv").c_str()), 0);
    FileText = "10020030;B\xE4ren;A4\n20030040;C;06";
    // Opened before the save, so that the writer does not wait for a reader.
    const int pipeEnd = open(dir.path("pipe.csv").c_str(), O_RDONLY | O_NONBLOCK);
    for (const char* chosen : {"zurpipe.csv", "haengend.csv", "kette.csv"}) {
        EXPECT_FALSE(WriteExportFile(dir.path(chosen)).failure.has_value()) << chosen;
    }
    char buffer[256];
    const ssize_t got = read(pipeEnd, buffer, sizeof buffer);
    close(pipeEnd);
    EXPECT_EQ(std::string_view(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), FileText.view());
    EXPECT_EQ(test::ReadBytes(dir.path("daten/neu.csv")), FileText.view());
    EXPECT_EQ(test::ReadBytes(dir.path("daten/echt.csv")), FileText.view());
    struct stat info {};
    for (const char* link : {"zurpipe.csv", "haengend.csv", "kette.csv", "daten/mitte.csv"}) {
        ASSERT_EQ(lstat(dir.path(link).c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << link;
    }
    ASSERT_EQ(lstat(dir.path("pipe.csv").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

// A save that fails, at the start or half way (the file-size limit stops write() after
// 64 KiB), gives the system's error and leaves the folder as it was.
TEST_F(WriteExportFileTest, FailedSaveLeavesFolderAsItWas)
{
    test::WriteBytes(dir.path("datei"), "unberührt");
    test::WriteBytes(dir.path("blz.csv"), "altes Ergebnis");
    mkdir(dir.path("ordner.csv").c_str(), 0755);
    FileText = std::string(1 << 20, 'x');
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &limited);
    for (const auto& [target, number, reason] :
         {std::tuple{"fehlt/blz.csv", ENOENT, "Datei oder Ordner nicht gefunden"},
          std::tuple{"datei/blz.csv", ENOTDIR, "Ein Teil des Pfads ist kein Ordner"},
          std::tuple{"ordner.csv", EISDIR, "Das ist ein Ordner, keine Datei"},
          std::tuple{"blz.csv", EFBIG, "Die Datei ist zu groß"}}) {
        const ExportResult result = WriteExportFile(dir.path(target));
        ASSERT_TRUE(result.failure.has_value()) << target;
        EXPECT_EQ(result.failure->number, number);
        EXPECT_EQ(result.failure->description,
                  "Die Datei „" + result.finalName + "“ kann nicht geschrieben werden: " + reason + ".");
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(test::ReadBytes(dir.path("datei")), "unberührt");
    EXPECT_EQ(test::ReadBytes(dir.path("blz.csv")), "altes Ergebnis");
    EXPECT_EQ(dir.names().size(), 3U);
}

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

// What a save keeps of the file it replaces, and saves that a plain write allows where
// no temporary file can take the file's place: each row prepares the folder and gives
// the path to save to; the save runs as this user or as another (without root's
// rights); the check gives back what is wrong, or nothing.
TEST_F(WriteExportFileTest, KeepsWhatTheFileCarriedAndWritesWhereAPlainWriteMay)
{
    const bool root = geteuid() == 0;
    // A name of 4,090 bytes in folders of 200: no room left for the temporary name.
    std::string deep = dir.path("");
    while (deep.size() < 4086) {
        deep += std::string(std::min<std::size_t>(200, 4086 - deep.size()), 'x') + "/";
    }
    deep.pop_back();
    struct Row {
        const char* name;
        bool asOtherUser;
        std::int32_t failure;
        std::function<std::string()> prepare;
        std::function<std::string(const std::string&)> check;
    };
    const std::string newText = "10020030;M\xFChle;A4";
    FileText = newText;
    const auto owned = [&](const std::string& path, mode_t mode, uid_t user, gid_t group) {
        test::WriteBytes(path, "alt");
        EXPECT_EQ(chown(path.c_str(), user, group), 0);
        EXPECT_EQ(chmod(path.c_str(), mode), 0);
        return path;
    };
    const auto text = [&](const std::string& path, const std::string& want) {
        return test::ReadBytes(path) == want ? "" : path + " holds " + test::ReadBytes(path);
    };
    const Row rows[] = {
        {"group kept where the owner cannot be", true, 0,
         [&] {
             EXPECT_EQ(chown(dir.path("").c_str(), 0, test::kNobody), 0);
             chmod(dir.path("").c_str(), 0775);
             return owned(dir.path("gruppe.csv"), 0660, 0, test::kNobody);
         },
         [&](const std::string& path) {
             struct stat info {};
             stat(path.c_str(), &info);
             return info.st_gid == test::kNobody && (info.st_mode & 07777) == 0660 ? text(path, newText)
                                                                                     : "group or mode lost";
         }},
        {"ACL and extended attributes kept", false, 0,
         [&] {
             const std::string path = owned(dir.path("acl.csv"), 0664, geteuid(), getegid());
             const std::string acl = AccessList();
             if (setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
                 setxattr(path.c_str(), "user.herkunft", "blz", 3, 0) != 0) {
                 return std::string();  // the file system keeps neither
             }
             return path;
         },
         [&](const std::string& path) {
             return Attribute(path, "system.posix_acl_access") == AccessList() &&
                            Attribute(path, "user.herkunft") == "blz"
                        ? text(path, newText)
                        : "attributes lost";
         }},
        {"hard link written in place", false, 0,
         [&] {
             const std::string path = owned(dir.path("eins.csv"), 0644, geteuid(), getegid());
             EXPECT_EQ(link(path.c_str(), dir.path("zwei.csv").c_str()), 0);
             return path;
         },
         [&](const std::string&) { return text(dir.path("zwei.csv"), newText); }},
        {"another user's file that this one may not write", true, EACCES,
         [&] {
             chmod(dir.path("").c_str(), 0777);
             return owned(dir.path("fremd.csv"), 0644, 0, 0);
         },
         [&](const std::string& path) { return text(path, "alt"); }},
        {"write-protected file refused, also for root", false, kErrorWriteProtected,
         [&] { return owned(dir.path("geschuetzt.csv"), 0444, geteuid(), getegid()); },
         [&](const std::string& path) { return text(path, "alt"); }},
        {"folder closed to the user, file open to them", true, 0,
         [&] {
             chmod(dir.path("").c_str(), 0755);
             return owned(dir.path("offen.csv"), 0666, 0, 0);
         },
         [&](const std::string& path) { return text(path, newText); }},
        {"sticky folder, group-writable file of another user", true, 0,
         [&] {
             chmod(dir.path("").c_str(), 01777);
             return owned(dir.path("klebrig.csv"), 0664, 0, test::kNobody);
         },
         [&](const std::string& path) { return text(path, newText); }},
        {"no room for the temporary name", false, 0,
         [&] {
             std::filesystem::create_directories(std::filesystem::path(deep).parent_path());
             return owned(deep + ".csv", 0644, geteuid(), getegid());
         },
         [&](const std::string& path) { return text(path, newText); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.asOtherUser && !root) {
            GTEST_LOG_(INFO) << "skipped, needs root to set up another user's files: " << row.name;
            continue;
        }
        const std::string path = row.prepare();
        if (path.empty()) {
            GTEST_LOG_(INFO) << "skipped, the file system keeps no such attributes: " << row.name;
            continue;
        }
        const auto save = [&] {
            const ExportResult result = WriteExportFile(path);
            return result.failure ? result.failure->number : 0;
        };
        const int failure = row.asOtherUser ? test::RunUnprivileged([&] { return save() == 0 ? 0 : 1; }) : save();
        EXPECT_EQ(failure, row.asOtherUser ? (row.failure != 0) : row.failure);
        EXPECT_EQ(row.check(path), "");
        chmod(dir.path("").c_str(), 0700);
        for (const std::string& name : dir.names()) {
            EXPECT_NE(name[0], '.') << "a temporary file was left";
            std::filesystem::remove_all(dir.path(name));
        }
    }
}

#endif

}  // namespace
}  // namespace leitzahl
