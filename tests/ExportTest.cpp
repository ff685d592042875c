#include "Lists.h"
#include "TestFiles.h"
#include "core/MemoryEntryList.h"
#include "core/SideBySide.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modWorkbookExport.h"

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
                                            {"/tmp/blz.csvx", "/tmp/blz.csvx.csv"}, {".csv", ".csv"},
                                            {"/tmp/blz.xlsx", "/tmp/blz.xlsx"}, {"/tmp/blz.XlSx", "/tmp/blz.XlSx"},
                                            {"/tmp/blz.xls", "/tmp/blz.xls.csv"}, {"/tmp/blz.xlsx.txt", "/tmp/blz.xlsx.txt.csv"}}) {
        EXPECT_EQ(CompleteCsvName(chosen), completed);
    }
    // Under the workbook's filter only a name without any extension gets ".xlsx"; the
    // rest then keeps the rule above.
    for (const auto& [chosen, completed] : {std::pair{"/tmp/blz", "/tmp/blz.xlsx"}, {"/tmp/blz.txt", "/tmp/blz.txt"},
                                            {"/tmp/a.b/blz", "/tmp/a.b/blz.xlsx"}, {"C:\\a.b\\blz", "C:\\a.b\\blz.xlsx"},
                                            {"/tmp/blz.XLSX", "/tmp/blz.XLSX"}}) {
        EXPECT_EQ(NameUnderWorkbookFilter(chosen), completed);
    }
}

// A sheet holds the header and 1,048,575 entries, a cell 32,767 characters: more is
// refused, and the text stays for another try.
TEST(Workbook, WhatASheetCannotHoldIsRefused)
{
    std::string longList;
    for (std::size_t i = 0; i <= kMostWorkbookEntries; ++i) {
        longList += "10020030;B;00\n";
    }
    longList.pop_back();
    const std::pair<std::string, std::string> cases[] = {
        {longList, "Die Liste hat 1048576 Einträge; eine Arbeitsmappe fasst unter ihrer Kopfzeile höchstens 1048575. "
                   "Nichts wurde geschrieben."},
        {"10020030;" + std::string(32768, 'B') + ";00",
         "Die Arbeitsmappe kann nicht erstellt werden: Ein Feld ist länger als die 32.767 Zeichen, die eine Zelle "
         "fasst."}};
    for (const auto& [text, description] : cases) {
        FileText = text;
        const MaybeFailure failure = BuildWorkbookText();
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->number, kErrorWorkbook);
        EXPECT_EQ(failure->description, description);
        EXPECT_TRUE(FileText.view() == text);
    }
}

// Which bytes are read as UTF-8: only a text that is well-formed throughout.
TEST(Workbook, TellsUtf8FromWindows1252)
{
    for (const auto& [text, utf8] : {std::pair{"Bank", true}, {"M\xC3\xBChle", true}, {"M\xFChle", false},
                                     {"\xE2\x82\xAC", true}, {"\xE2\x82", false}, {"\xC0\xBC", false},
                                     {"\xF0\x9F\x8F\xA6", true}, {"\x80", false}}) {
        EXPECT_EQ(IsUtf8(text), utf8) << text;
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
    // Each row for the CSV and for the workbook, the longest name for either extension.
    const auto rowsFor = [&](const std::string& x) {
        const std::string longest(255 - x.size(), 'b');
        return std::vector<Row>{
            {"new file under the longest name: plain permissions", kMe, "true", x == ".csv" ? longest : longest + x, 0, nullptr,
             "[ $(stat -c %a " + longest + x + ") = 644 ]"},
            {"replaced file: a new file with the old mode and owner", kRoot,
             "echo alt >alt" + x + " && chmod 604 alt" + x + " && chown 65534:65534 alt" + x + " && stat -c %i alt" + x + " >vorher", "alt" + x,
             0, nullptr, "[ $(stat -c %i alt" + x + ") != $(cat vorher) ] && [ $(stat -c %a.%u alt" + x + ") = 604.65534 ] && neu alt" + x},
            {"chain of relative links followed", kMe,
             "echo alt >echt" + x + " && ln -s echt" + x + " mitte" + x + " && ln -s mitte" + x + " kette" + x, "kette" + x, 0, nullptr,
             "[ -L kette" + x + " ] && [ -L mitte" + x + " ] && neu echt" + x},
            {"dangling link followed", kMe, "mkdir daten && ln -s daten/neu" + x + " haengend" + x, "haengend" + x, 0, nullptr,
             "[ -L haengend" + x + " ] && neu daten/neu" + x},
            {"missing folder", kMe, "true", "fehlt/blz" + x, ENOENT, "Datei oder Ordner nicht gefunden", "[ ! -e fehlt ]"},
            {"folder", kMe, "true", "", EISDIR, "Das ist ein Ordner, keine Datei", "[ -z \"$(ls -A)\" ]"},
            {"owner and group kept where the user may not give them", kOtherUser,
             "chown 0:65534 . && chmod 775 . && echo alt >gruppe" + x + " && chmod 660 gruppe" + x + " && chown 0:65534 gruppe" + x,
             "gruppe" + x, 0, nullptr, "[ $(stat -c %u.%g.%a gruppe" + x + ") = 0.65534.660 ] && neu gruppe" + x},
            {"ACL and extended attributes kept", kMe,
             "echo alt >acl" + x + " && { setfacl -m u:nobody:rw acl" + x + " && setfattr -n user.herkunft -v blz acl" + x + " || exit 77; }",
             "acl" + x, 0, nullptr,
             "getfacl -c acl" + x + " | grep -qx user:nobody:rw- && [ $(getfattr --only-values -n user.herkunft acl" + x + ") = blz ] && "
             "neu acl" + x},
            {"no ACL taken from the folder", kMe, "echo alt >ohne" + x + " && { setfacl -d -m u:nobody:rw . || exit 77; }",
             "ohne" + x, 0, nullptr, "setfacl -k . && ! getfacl -c ohne" + x + " | grep -q nobody && neu ohne" + x},
            {"link planted by another user in a sticky folder", kRoot,
             "chmod 1777 . && echo alt >ziel" + x + " && ln -s ziel" + x + " falle" + x + " && chown -h 65534:65534 falle" + x, "falle" + x,
             EACCES, "Zugriff verweigert", "alt ziel" + x},
            {"own link in a sticky folder followed, as a plain write would", kOtherUser,
             "chmod 1777 . && echo alt >meins" + x + " && ln -s meins" + x + " mein-link" + x + " && chown -h 65534:65534 meins" + x +
                 " mein-link" + x,
             "mein-link" + x, 0, nullptr, "[ -L mein-link" + x + " ] && neu meins" + x},
            {"hard link written in place, its longer old text cut", kMe, "seq 100 >eins" + x + " && ln eins" + x + " zwei" + x, "eins" + x, 0, nullptr,
             "neu zwei" + x},
            {"own file whose owner may not write it (the group may)", kOtherUser,
             "chmod 777 . && echo alt >eigen" + x + " && chmod 464 eigen" + x + " && chown 65534:65534 eigen" + x, "eigen" + x,
             EACCES, nullptr, "alt eigen" + x},
            {"write-protected file refused, also for root", kMe, "echo alt >schutz" + x + " && chmod 444 schutz" + x,
             "schutz" + x, kErrorWriteProtected, "Die Datei ist schreibgeschützt", "alt schutz" + x},
            {"file mounted on its own written in place", kMe,
             "echo alt >fest" + x + " && echo alt >quelle" + x + " && { mount --bind quelle" + x + " fest" + x + " || exit 77; }", "fest" + x, 0,
             nullptr, "umount fest" + x + " && neu quelle" + x},
            {"folder closed to the user, file open to them", kOtherUser,
             "echo alt >offen" + x + " && chmod 666 offen" + x + " && chmod 755 .", "offen" + x, 0, nullptr, "neu offen" + x},
            {"no room for the temporary name", kMe, "mkdir -p " + deep.substr(0, deep.rfind('/')) + " && echo alt >" + deep + x,
             x == ".csv" ? deep : deep + x, 0, nullptr, "neu " + deep + x},
        };
    };
    const std::string kNew = "10020030;Muehle;A4";
    const auto inFolder = [&](const std::string& commands) {
        const int status = std::system(("cd '" + dir.path("") + "' && alt() { [ \"$(cat \"$1\")\" = alt ]; } && " +
                                        "neu() { case \"$1\" in *.xlsx) unzip -p \"$1\" xl/worksheets/sheet1.xml | " +
                                        "grep -q '>Muehle<' ;; *) [ \"$(cat \"$1\")\" = '" + kNew + "' ] ;; esac; } && " +
                                        commands).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const mode_t oldMask = umask(022);
    for (const std::string extension : {".csv", ".xlsx"})
    for (const Row& row : rowsFor(extension)) {
        SCOPED_TRACE(row.name + extension);
        FileText = kNew;
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
