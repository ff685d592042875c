#include "TestFiles.h"
#include "cli/CommandLine.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <filesystem>
#include <regex>

namespace leitzahl {
namespace {

const std::string kRecordA = test::Record("10020030", "Sparkasse B\xE4renfels", "A4");
const std::string kRecordB = test::Record("10020030", "Sparkasse B\xE4renfels Filiale", "A4");
const std::string kRecordC = test::Record("20030040", "Volksbank Eschenrode", "06");
const std::string kInput = kRecordA + "\r\n" + kRecordB + "\r\n" + kRecordC + "\r\n";
const std::string kCsv = "10020030;Sparkasse B\xE4renfels;A4\n20030040;Volksbank Eschenrode;06";
const std::string kSummary = "3 Einträge in {dir}blz.txt\n2 Einträge in obiger Liste (1 doppelte Einträge entfernt).\n"
                             "Ergebnis gespeichert unter : {dir}aus.csv\n";

// Replaces each {dir} with the folder's path.
std::string InFolder(std::string text, const std::string& folder)
{
    for (auto at = text.find("{dir}"); at != std::string::npos; at = text.find("{dir}", at)) {
        text.replace(at, 5, folder);
    }
    return text;
}

class CommandLineTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::WriteBytes(dir.path("blz.txt"), kInput);
        test::WriteBytes(dir.path("kurz.txt"), kRecordA + "\n1234\n");
        test::WriteBytes(dir.path("gekuerzt.txt"), kRecordA + "\r\n" + kRecordC.substr(0, 140) + "\r\n");
        test::WriteBytes(dir.path("tabelle.txt"), "Bankleitzahl;Merkmal;Bezeichnung\n10020030;1;Sparkasse\n");
    }

    test::TempDir dir;
};

// What each system says of a missing file and a missing folder.
#ifdef _WIN32
#define FILE_NOT_FOUND "2: Die Datei „{dir}fehlt.txt“ kann nicht gelesen werden: Die Datei wurde nicht gefunden"
#define FOLDER_NOT_FOUND "3: Die Datei „{dir}fehlt/aus.csv“ kann nicht geschrieben werden: Der Ordner wurde nicht gefunden"
#else
#define FILE_NOT_FOUND "2: Die Datei „{dir}fehlt.txt“ kann nicht gelesen werden: Datei oder Ordner nicht gefunden"
#define FOLDER_NOT_FOUND "2: Die Datei „{dir}fehlt/aus.csv“ kann nicht geschrieben werden: Datei oder Ordner nicht gefunden"
#endif

// The converter run in this process: its exit status, the start of what it prints on
// either stream, and the CSV it writes. Where it writes no CSV, the folder stays as it was.
struct RunCase {
    friend void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    std::vector<std::string> arguments;  // {dir} stands for the temporary folder
    int status;
    std::string out;
    std::string err;
    std::string csv;  // what aus.csv holds afterwards; empty: no file is written
};

class CommandLineRunTest : public CommandLineTest, public testing::WithParamInterface<RunCase> {};

TEST_P(CommandLineRunTest, ExitStatusMessagesAndCsv)
{
    const RunCase& c = GetParam();
    std::vector<std::string> arguments;
    for (const std::string& argument : c.arguments) {
        arguments.push_back(InFolder(argument, dir.path("")));
    }
    const std::vector<std::string_view> views(arguments.begin(), arguments.end());
    const auto namesBefore = dir.names().size();
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(RunCommandLine(views, out, err), c.status);
    std::string printed(4096, '\0');
    std::string warned(4096, '\0');
    std::rewind(out);
    std::rewind(err);
    printed.resize(std::fread(printed.data(), 1, printed.size(), out));
    warned.resize(std::fread(warned.data(), 1, warned.size(), err));
    std::fclose(out);
    std::fclose(err);
    EXPECT_TRUE(printed.starts_with(InFolder(c.out, dir.path("")))) << printed;
    EXPECT_TRUE(warned.starts_with(InFolder(c.err, dir.path("")))) << warned;
    EXPECT_EQ(printed.empty(), c.out.empty());
    EXPECT_EQ(warned.empty(), c.err.empty());
    if (c.csv.empty()) {
        EXPECT_EQ(dir.names().size(), namesBefore);
    } else {
        EXPECT_EQ(test::ReadBytes(dir.path("aus.csv")), c.csv);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CommandLineRunTest,
    testing::Values(
        RunCase{"ConvertsAndCompletesName", {"{dir}blz.txt", "{dir}aus"}, kExitSuccess, kSummary, "", kCsv},
        RunCase{"MissingInput", {"{dir}fehlt.txt", "{dir}aus"}, kExitFailure, "", "Fehler " FILE_NOT_FOUND ".\n", ""},
        RunCase{"ShortLine", {"{dir}kurz.txt", "{dir}aus"}, kExitFailure, "",
                "Fehler 1001: Zeile 2 ist zu kurz für einen Eintrag der Bankleitzahlendatei.\n", ""},
        RunCase{"MissingOutputFolder", {"{dir}blz.txt", "{dir}fehlt/aus"}, kExitFailure, "",
                "Fehler " FOLDER_NOT_FOUND ".\n", ""},
        RunCase{"LineCutShortWarns", {"{dir}gekuerzt.txt", "{dir}aus"}, kExitWarning, "2 Einträge",
                "Warnung: 1 von 2 Zeilen sieht nicht wie ein Eintrag der Bankleitzahlendatei aus (Zeile 2).\n",
                "10020030;Sparkasse B\xE4renfels;A4\n20030040;Volksbank Eschenrode;  "},
        RunCase{"SemicolonCsvWarns", {"{dir}tabelle.txt", "{dir}aus"}, kExitWarning, "2 Einträge",
                "Warnung: 2 von 2 Zeilen sehen nicht wie Einträge der Bankleitzahlendatei aus (erste: Zeile 1).\n",
                "Bankleit;ahl;Merkmal;Bezeichnung;er\n10020030;1;Sparkasse;02"},
        RunCase{"OutputNamesFolder", {"{dir}blz.txt", "{dir}"}, kExitUsage, "", "AUSGABE muss eine Datei nennen", ""},
        RunCase{"OutputEmpty", {"{dir}blz.txt", ""}, kExitUsage, "", "AUSGABE muss eine Datei nennen", ""},
        RunCase{"Version", {"--version"}, kExitSuccess, "leitzahl " LEITZAHL_VERSION "\n", "", ""},
        RunCase{"Help", {"--help"}, kExitSuccess, "Aufruf: leitzahl-cli", "", ""},
        RunCase{"UnknownOption", {"-x", "a", "b"}, kExitUsage, "", "Unbekannte Option: -x\nAufruf:", ""},
        RunCase{"ThreePaths", {"a", "b", "c"}, kExitUsage, "", "Aufruf: leitzahl-cli", ""}),
    [](const auto& info) { return info.param.name; });

TEST_F(CommandLineTest, StandardInputToStandardOutput)
{
    const int status = test::RunShell(test::Quoted(LEITZAHL_CLI) + " - - <" + test::Quoted(dir.path("blz.txt")) + " >" +
                                      test::Quoted(dir.path("out")) + " 2>" + test::Quoted(dir.path("err")));
    EXPECT_EQ(status, kExitSuccess);
    EXPECT_EQ(test::ReadBytes(dir.path("out")), kCsv) << "the CSV bytes, with no CR added";
    std::string messages = test::ReadBytes(dir.path("err"));
#ifdef _WIN32
    std::erase(messages, '\r');  // messages end their lines as the console does
#endif
    EXPECT_TRUE(messages.starts_with("3 Einträge in (Standardeingabe)\n")) << messages;
    EXPECT_TRUE(messages.ends_with("Ergebnis gespeichert unter : (Standardausgabe)\n")) << messages;
}

#ifndef _WIN32
// The leak checker of a sanitizer build cannot run under strace.
constexpr char kStrace[] = "ASAN_OPTIONS=detect_leaks=0 strace";

// The converter run as a program under conditions a script may give it: exit status,
// the start of its messages and the files it leaves ({cli} stands for the program).
TEST_F(CommandLineTest, ProgramUnderHostileConditions)
{
    // strace makes the first fsync, that of the temporary file, bring the signal.
    const auto signalDuringSave = [](const char* signal) {
        return std::string(kStrace) + " -o /dev/null -e trace=fsync -e inject=fsync:signal=" + signal +
               ":when=1 {cli} '{dir}blz.txt' '{dir}aus' >/dev/null";
    };
    const std::tuple<std::string, int, const char*, std::vector<std::string>> cases[] = {
        {"cd '{dir}' && cp blz.txt ./-blz.txt && {cli} -- -blz.txt -aus >/dev/null", kExitSuccess, "",
         {"-aus.csv", "-blz.txt"}},
        {"{cli} '{dir}blz.txt' '{dir}aus' >/dev/full", kExitFailure,
         "Fehler 28: Die Datei „(Standardausgabe)“ kann nicht geschrieben werden: Kein Speicherplatz", {"aus.csv"}},
        {"{cli} --help >/dev/full", kExitFailure, "Fehler 28:", {}},
        {signalDuringSave("SIGINT"), 128 + SIGINT, "", {}},
        {signalDuringSave("SIGTERM"), 128 + SIGTERM, "", {}},
        {signalDuringSave("SIGHUP"), 128 + SIGHUP, "", {}}};
    for (const auto& [line, status, errStart, namesAfter] : cases) {
        std::string commandLine = InFolder(line + " 2>'{dir}stderr'", dir.path(""));
        commandLine.replace(commandLine.find("{cli}"), 5, LEITZAHL_CLI);
        EXPECT_EQ(test::RunShell(commandLine), status) << line;
        const std::string err = test::ReadBytes(dir.path("stderr"));
        EXPECT_TRUE(err.starts_with(errStart)) << err;
        std::vector<std::string> names = dir.names();
        for (const char* set : {"stderr", "blz.txt", "kurz.txt", "gekuerzt.txt", "tabelle.txt"}) {
            std::erase(names, set);
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, namesAfter) << line;
        for (const std::string& name : names) {
            std::filesystem::remove(dir.path(name));
        }
    }
}

// The system calls of a save: the umask, which other threads share, is left alone,
// and the folder is synced after the rename, so that the new file survives a power loss.
TEST_F(CommandLineTest, SaveLeavesUmaskAloneAndSyncsFolderAfterRename)
{
    ASSERT_EQ(test::RunShell(std::string(kStrace) + " -f -y -o '" + dir.path("trace") + "' -e trace=umask,rename,fsync " +
                             LEITZAHL_CLI + " '" + dir.path("blz.txt") + "' '" + dir.path("aus") + "' >/dev/null"),
              0);
    const std::string trace = test::ReadBytes(dir.path("trace"));
    EXPECT_EQ(trace.find("umask("), std::string::npos) << trace;
    const std::string folder = dir.path("");
    const auto renamed = trace.find("rename(");
    ASSERT_NE(renamed, std::string::npos) << trace;
    const std::regex folderSynced("fsync\\(\\d+<" + folder.substr(0, folder.size() - 1) + ">\\)");
    EXPECT_TRUE(std::regex_search(trace.substr(renamed), folderSynced)) << trace;
}

#endif

}  // namespace
}  // namespace leitzahl
