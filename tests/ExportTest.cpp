#include "Lists.h"
#include "TestFiles.h"
#include "core/MemoryEntryList.h"
#include "core/SideBySide.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
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
        {{"", "a;1;00", "   ", "b;2;01", " "}, "a;1;00\nb;2;01"},
        {{"  "}, ""},
        {{" a ", "b  "}, " a \nb  "},
        {many, manyText}};
    for (const auto& [entries, text] : cases) {
        const MemoryEntryList list = test::ListOf(entries);
        FileText = "left over from a cancelled save\n";
        EXPECT_FALSE(BuildExportText(list).has_value());
        // Compared as a whole: a diff of the megabyte case would take gigabytes.
        EXPECT_TRUE(FileText.view() == text) << FileText.view().substr(0, 100);
    }
}

// A stage done in two halves at once (the import, the CSV text) reports a failure of
// either half, also one on the other thread.
TEST(SideBySide, AnExceptionOnEitherThreadReachesTheCaller)
{
    const std::function<void()> fails = [] { throw std::bad_alloc(); };
    const std::function<void()> works = [] {};
    EXPECT_THROW(RunSideBySide(fails, works), std::bad_alloc);
    EXPECT_THROW(RunSideBySide(works, fails), std::bad_alloc);
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
// Where a save goes and what it keeps, as a plain write and a careful editor would have
// it. Each row prepares the folder by shell (exit 77: the file system cannot), saves as
// this user or, without root's rights, as another, and checks the folder by shell: alt F
// holds the old text, neu F the new one. A failure must give its number and reason. The
// umask is 022 throughout; user and group 65534 are nobody's.
TEST(WriteExportFile, SavesWhereAPlainWriteWouldAndKeepsWhatTheFileCarried)
{
    enum Who { kMe, kRoot, kOtherUser };  // kRoot: prepared and saved by root
    struct Row {
        const char* name;
        Who who;
        std::string prepare;
        std::string saveAs;  // in the folder, or a whole path
        int failure;
        const char* reason;
        std::string check;
    };
    test::TempDir dir;
    // A name of 4,090 bytes in folders of 200: no room left for the temporary name.
    std::string deep = dir.path("");
    while (deep.size() < 4086) {
        deep += std::string(std::min<std::size_t>(200, 4086 - deep.size()), 'x') + "/";
    }
    deep.pop_back();
    const std::string longest(251, 'b');
    const Row rows[] = {
        {"new file under the longest name: plain permissions", kMe, "true", longest, 0, nullptr,
         "[ $(stat -c %a " + longest + ".csv) = 644 ]"},
        {"replaced file: a new file with the old mode and owner", kRoot,
         "echo alt >alt.csv && chmod 604 alt.csv && chown 65534:65534 alt.csv && stat -c %i alt.csv >vorher", "alt.csv",
         0, nullptr, "[ $(stat -c %i alt.csv) != $(cat vorher) ] && [ $(stat -c %a.%u alt.csv) = 604.65534 ] && neu alt.csv"},
        {"chain of relative links followed", kMe,
         "echo alt >echt.csv && ln -s echt.csv mitte.csv && ln -s mitte.csv kette.csv", "kette.csv", 0, nullptr,
         "[ -L kette.csv ] && [ -L mitte.csv ] && neu echt.csv"},
        {"dangling link followed", kMe, "mkdir daten && ln -s daten/neu.csv haengend.csv", "haengend.csv", 0, nullptr,
         "[ -L haengend.csv ] && neu daten/neu.csv"},
        {"missing folder", kMe, "true", "fehlt/blz.csv", ENOENT, "Datei oder Ordner nicht gefunden", "[ ! -e fehlt ]"},
        {"folder", kMe, "true", "", EISDIR, "Das ist ein Ordner, keine Datei", "[ -z \"$(ls -A)\" ]"},
        {"owner and group kept where the user may not give them", kOtherUser,
         "chown 0:65534 . && chmod 775 . && echo alt >gruppe.csv && chmod 660 gruppe.csv && chown 0:65534 gruppe.csv",
         "gruppe.csv", 0, nullptr, "[ $(stat -c %u.%g.%a gruppe.csv) = 0.65534.660 ] && neu gruppe.csv"},
        {"ACL and extended attributes kept", kMe,
         "echo alt >acl.csv && { setfacl -m u:nobody:rw acl.csv && setfattr -n user.herkunft -v blz acl.csv || exit 77; }",
         "acl.csv", 0, nullptr,
         "getfacl -c acl.csv | grep -qx user:nobody:rw- && [ $(getfattr --only-values -n user.herkunft acl.csv) = blz ] && "
         "neu acl.csv"},
        {"no ACL taken from the folder", kMe, "echo alt >ohne.csv && { setfacl -d -m u:nobody:rw . || exit 77; }",
         "ohne.csv", 0, nullptr, "setfacl -k . && ! getfacl -c ohne.csv | grep -q nobody && neu ohne.csv"},
        {"link planted by another user in a sticky folder", kRoot,
         "chmod 1777 . && echo alt >ziel.csv && ln -s ziel.csv falle.csv && chown -h 65534:65534 falle.csv", "falle.csv",
         EACCES, "Zugriff verweigert", "alt ziel.csv"},
        {"own link in a sticky folder followed, as a plain write would", kOtherUser,
         "chmod 1777 . && echo alt >meins.csv && ln -s meins.csv mein-link.csv && chown -h 65534:65534 meins.csv "
         "mein-link.csv", "mein-link.csv", 0, nullptr, "[ -L mein-link.csv ] && neu meins.csv"},
        {"hard link written in place, its longer old text cut", kMe, "seq 100 >eins.csv && ln eins.csv zwei.csv", "eins.csv", 0, nullptr,
         "neu zwei.csv"},
        {"own file whose owner may not write it (the group may)", kOtherUser,
         "chmod 777 . && echo alt >eigen.csv && chmod 464 eigen.csv && chown 65534:65534 eigen.csv", "eigen.csv",
         EACCES, nullptr, "alt eigen.csv"},
        {"write-protected file refused, also for root", kMe, "echo alt >schutz.csv && chmod 444 schutz.csv",
         "schutz.csv", kErrorWriteProtected, "Die Datei ist schreibgeschützt", "alt schutz.csv"},
        {"file mounted on its own written in place", kMe,
         "echo alt >fest.csv && echo alt >quelle && { mount --bind quelle fest.csv || exit 77; }", "fest.csv", 0,
         nullptr, "umount fest.csv && neu quelle"},
        {"folder closed to the user, file open to them", kOtherUser,
         "echo alt >offen.csv && chmod 666 offen.csv && chmod 755 .", "offen.csv", 0, nullptr, "neu offen.csv"},
        {"no room for the temporary name", kMe, "mkdir -p " + deep.substr(0, deep.rfind('/')) + " && echo alt >" + deep + ".csv",
         deep, 0, nullptr, "neu " + deep + ".csv"},
    };
    FileText = "10020030;Muehle;A4";
    const auto inFolder = [&](const std::string& commands) {
        const int status = std::system(("cd '" + dir.path("") + "' && alt() { [ \"$(cat \"$1\")\" = alt ]; } && " +
                                        "neu() { [ \"$(cat \"$1\")\" = '" + std::string(FileText.view()) + "' ]; } && " +
                                        commands).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const mode_t oldMask = umask(022);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const int prepared = row.who == kMe || geteuid() == 0 ? inFolder(row.prepare) : 77;
        if (prepared == 77) {
            GTEST_LOG_(INFO) << "skipped, needs root or what the file system lacks: " << row.name;
            continue;
        }
        ASSERT_EQ(prepared, 0);
        const std::string path = row.saveAs.starts_with('/') ? row.saveAs : dir.path(row.saveAs);
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
        EXPECT_EQ(inFolder(row.check), 0) << row.check;
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
