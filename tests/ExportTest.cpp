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

class WriteExportFileTest : public testing::Test {
protected:
    test::TempDir dir;
};

#ifndef _WIN32
// A new file, here under the longest name a folder takes once ".csv" is added, gets the
// permissions the umask leaves; a replaced one keeps its own and, where the process may
// set it (root), its owner. No temporary file is left.
TEST_F(WriteExportFileTest, NewFileGetsPlainPermissionsAndReplacedFileKeepsItsOwn)
{
    const std::string name(251, 'b');
    test::WriteBytes(dir.path("alt.csv"), "old content that is longer than the new one");
    chmod(dir.path("alt.csv").c_str(), 0604);
    const bool root = geteuid() == 0;
    ASSERT_EQ(chown(dir.path("alt.csv").c_str(), test::kNobody, test::kNobody), root ? 0 : -1);
    FileText = "10020030;M\xFChle;A4\n20030040;B;00";
    const mode_t old = umask(022);
    ASSERT_FALSE(WriteExportFile(dir.path("alt.csv")).failure.has_value());
    const ExportResult result = WriteExportFile(dir.path(name));
    umask(old);
    EXPECT_EQ(result.finalName, dir.path(name + ".csv"));
    EXPECT_EQ(test::ReadBytes(dir.path(name + ".csv")), FileText.view());
    EXPECT_EQ(test::ReadBytes(dir.path("alt.csv")), FileText.view());
    EXPECT_EQ(dir.names().size(), 2U);
    struct stat info {};
    ASSERT_EQ(stat(dir.path("alt.csv").c_str(), &info), 0);
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

// A user who may not replace the file, for its folder or for itself, gets EACCES and
// the old file stays.
TEST_F(WriteExportFileTest, FileTheUserMayNotReplaceIsRefusedAndKept)
{
    std::filesystem::permissions(dir.path(""), std::filesystem::perms::all);  // for the other user
    mkdir(dir.path("nurlesen").c_str(), 0755);
    test::WriteBytes(dir.path("nurlesen/blz.csv"), "alt");
    chmod(dir.path("nurlesen/blz.csv").c_str(), 0666);
    test::WriteBytes(dir.path("blz.csv"), "alt");
    chmod(dir.path("blz.csv").c_str(), 0444);
    ASSERT_EQ(chown(dir.path("blz.csv").c_str(), test::kNobody, test::kNobody), geteuid() == 0 ? 0 : -1);
    FileText = "neu";
    const int status = test::RunUnprivileged([&] {
        for (const char* name : {"nurlesen/blz.csv", "blz.csv"}) {
            const ExportResult result = WriteExportFile(dir.path(name));
            if (!result.failure || result.failure->number != EACCES) {
                return 1;
            }
        }
        return 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(test::ReadBytes(dir.path("nurlesen/blz.csv")), "alt");
    EXPECT_EQ(test::ReadBytes(dir.path("blz.csv")), "alt");
}

#endif

}  // namespace
}  // namespace leitzahl
