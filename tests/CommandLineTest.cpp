#include "TestFiles.h"
#include "cli/CommandLine.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <regex>

namespace leitzahl {
namespace {

const std::string kRecordA = test::Record("10020030", "Sparkasse B\xE4renfels", "A4");
const std::string kRecordB = test::Record("10020030", "Sparkasse B\xE4renfels Filiale", "A4");
const std::string kRecordC = test::Record("20030040", "Volksbank Eschenrode", "06");
const std::string kInput = kRecordA + "\r\n" + kRecordB + "\r\n" + kRecordC + "\r\n";
const std::string kCsv = "10020030;Sparkasse B\xE4renfels;A4\n20030040;Volksbank Eschenrode;06";

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class CommandLineTest : public testing::Test {
protected:
    void SetUp() override { test::WriteBytes(dir.path("blz.txt"), kInput); }

    // Runs the converter in this process.
    Outcome Run(std::vector<std::string> arguments)
    {
        std::vector<std::string_view> views(arguments.begin(), arguments.end());
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        const int status = RunCommandLine(views, out, err);
        return {status, Drain(out), Drain(err)};
    }

    // Runs the built program through the shell, for standard input and output.
    Outcome RunProgram(const std::string& arguments)
    {
        const int status = test::RunShell(test::Quoted(LEITZAHL_CLI) + " " + arguments + " >" +
                                          test::Quoted(dir.path("stdout")) + " 2>" + test::Quoted(dir.path("stderr")));
        return {status, test::ReadBytes(dir.path("stdout")), test::ReadBytes(dir.path("stderr"))};
    }

    static std::string Drain(std::FILE* file)
    {
        std::string text;
        std::rewind(file);
        for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
            text += static_cast<char>(c);
        }
        std::fclose(file);
        return text;
    }

    std::string Summary(const std::string& input, const std::string& output) const
    {
        return "3 Einträge in " + input + "\n2 Einträge in obiger Liste (1 doppelte Einträge entfernt).\n" +
               "Ergebnis gespeichert unter : " + output + "\n";
    }

    test::TempDir dir;
};

TEST_F(CommandLineTest, ConvertsFileAndCompletesName)
{
    const Outcome outcome = Run({dir.path("blz.txt"), dir.path("ergebnis")});
    EXPECT_EQ(outcome.status, kExitSuccess);
    EXPECT_EQ(outcome.out, Summary(dir.path("blz.txt"), dir.path("ergebnis.csv")));
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(test::ReadBytes(dir.path("ergebnis.csv")), kCsv);
}

TEST_F(CommandLineTest, StandardInputToStandardOutput)
{
    const Outcome outcome = RunProgram("- - <" + test::Quoted(dir.path("blz.txt")));
    EXPECT_EQ(outcome.status, kExitSuccess);
    EXPECT_EQ(outcome.out, kCsv) << "the CSV bytes, with no CR added";
    std::string messages = outcome.err;
#ifdef _WIN32
    std::erase(messages, '\r');  // messages end their lines as the console does
#endif
    EXPECT_EQ(messages, Summary("(Standardeingabe)", "(Standardausgabe)"));
}

// What each system says of a missing file and a missing folder.
#ifdef _WIN32
#define FILE_NOT_FOUND "2", "Die Datei wurde nicht gefunden"
#define FOLDER_NOT_FOUND "3", "Der Ordner wurde nicht gefunden"
#else
#define FILE_NOT_FOUND "2", "Datei oder Ordner nicht gefunden"
#define FOLDER_NOT_FOUND FILE_NOT_FOUND
#endif

std::string FileMessage(const char* number, const char* reason, const char* path, const char* action)
{
    return std::string("Fehler ") + number + ": Die Datei „TMP" + path + "“ kann nicht " + action + " werden: " + reason +
           ".\n";
}

struct FailureCase {
    friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    std::string input;   // below the temporary folder
    std::string output;  // below the temporary folder
    std::string message; // with TMP for the temporary folder
};

class CommandLineFailureTest : public CommandLineTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(CommandLineFailureTest, ReportsOneLineAndWritesNothing)
{
    const FailureCase& c = GetParam();
    test::WriteBytes(dir.path("kurz.txt"), kRecordA + "\n1234\n");
    std::string message = c.message;
    if (const auto at = message.find("TMP"); at != std::string::npos) {
        message.replace(at, 3, dir.path(""));
    }
    const auto before = dir.names().size();
    const Outcome outcome = Run({dir.path(c.input), dir.path(c.output)});
    EXPECT_EQ(outcome.status, kExitFailure);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, message);
    EXPECT_EQ(dir.names().size(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CommandLineFailureTest,
    testing::Values(
        FailureCase{"MissingInput", "fehlt.txt", "aus.csv", FileMessage(FILE_NOT_FOUND, "fehlt.txt", "gelesen")},
        FailureCase{"ShortLine", "kurz.txt", "aus.csv",
                    "Fehler 1001: Zeile 2 ist zu kurz für einen Eintrag der Bankleitzahlendatei.\n"},
        FailureCase{"MissingOutputFolder", "blz.txt", "fehlt/aus.csv",
                    FileMessage(FOLDER_NOT_FOUND, "fehlt/aus.csv", "geschrieben")}),
    [](const auto& info) { return info.param.name; });

struct UsageCase {
    friend void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    std::vector<std::string> arguments;
    int status;
    const char* outStart;
    const char* errStart;
};

class CommandLineUsageTest : public CommandLineTest, public testing::WithParamInterface<UsageCase> {};

TEST_P(CommandLineUsageTest, ExitStatusAndFirstLine)
{
    const UsageCase& c = GetParam();
    const Outcome outcome = Run(c.arguments);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_TRUE(outcome.out.starts_with(c.outStart)) << outcome.out;
    EXPECT_TRUE(outcome.err.starts_with(c.errStart)) << outcome.err;
    EXPECT_EQ(outcome.out.empty(), std::string(c.outStart).empty());
    EXPECT_EQ(outcome.err.empty(), std::string(c.errStart).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CommandLineUsageTest,
    testing::Values(UsageCase{"Version", {"--version"}, kExitSuccess, "leitzahl " LEITZAHL_VERSION "\n", ""},
                    UsageCase{"Help", {"--help"}, kExitSuccess, "Aufruf: leitzahl-cli", ""},
                    UsageCase{"UnknownOption", {"-x", "a", "b"}, kExitUsage, "", "Unbekannte Option: -x\nAufruf:"},
                    UsageCase{"NoArguments", {}, kExitUsage, "", "Aufruf: leitzahl-cli"},
                    UsageCase{"ThreePaths", {"a", "b", "c"}, kExitUsage, "", "Aufruf: leitzahl-cli"},
                    UsageCase{"HelpWithPaths", {"--help", "a", "b"}, kExitUsage, "", "Aufruf: leitzahl-cli"}),
    [](const auto& info) { return info.param.name; });

struct WarningCase {
    friend void PrintTo(const WarningCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    std::string input;
    std::string warning;
    std::string csv;  // cut as any other file
};

class CommandLineWarningTest : public CommandLineTest, public testing::WithParamInterface<WarningCase> {};

TEST_P(CommandLineWarningTest, WritesCsvAndWarnsWithStatusThree)
{
    const WarningCase& c = GetParam();
    test::WriteBytes(dir.path("fremd.txt"), c.input);
    const Outcome outcome = Run({dir.path("fremd.txt"), dir.path("aus")});
    EXPECT_EQ(outcome.status, kExitWarning);
    EXPECT_EQ(outcome.err, "Warnung: " + c.warning + "\n");
    EXPECT_EQ(test::ReadBytes(dir.path("aus.csv")), c.csv);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CommandLineWarningTest,
    testing::Values(
        WarningCase{"LineCutShort", kRecordA + "\r\n" + kRecordC.substr(0, 140) + "\r\n",
                    "1 von 2 Zeilen sieht nicht wie ein Eintrag der Bankleitzahlendatei aus (Zeile 2).",
                    "10020030;Sparkasse B\xE4renfels;A4\n20030040;Volksbank Eschenrode;  "},
        WarningCase{"SemicolonCsv", "Bankleitzahl;Merkmal;Bezeichnung\n10020030;1;Sparkasse\n",
                    "2 von 2 Zeilen sehen nicht wie Einträge der Bankleitzahlendatei aus (erste: Zeile 1).",
                    "Bankleit;ahl;Merkmal;Bezeichnung;er\n10020030;1;Sparkasse;02"}),
    [](const auto& info) { return info.param.name; });

#ifndef _WIN32
// The converter run as a program under conditions a script may give it.
struct HostileCase {
    friend void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    std::string commandLine;  // {cli}, {dir} and {in} stand for the program, the folder and blz.txt
    int status;
    const char* errStart;
    std::vector<std::string> namesAfter;  // the folder's content afterwards, sorted
};

class CommandLineHostileTest : public CommandLineTest, public testing::WithParamInterface<HostileCase> {};

TEST_P(CommandLineHostileTest, ExitStatusMessageAndFilesLeft)
{
    const HostileCase& c = GetParam();
    std::string commandLine = c.commandLine + " 2>'{dir}/stderr'";
    for (const auto& [token, value] : {std::pair<std::string, std::string>{"{cli}", LEITZAHL_CLI},
                                       {"{dir}", dir.path("")},
                                       {"{in}", dir.path("blz.txt")}}) {
        for (auto at = commandLine.find(token); at != std::string::npos; at = commandLine.find(token)) {
            commandLine.replace(at, token.size(), value);
        }
    }
    EXPECT_EQ(test::RunShell(commandLine), c.status);
    const std::string err = test::ReadBytes(dir.path("stderr"));
    EXPECT_TRUE(err.starts_with(c.errStart)) << err;
    std::vector<std::string> names = dir.names();
    std::erase(names, "stderr");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, c.namesAfter);
}

// The leak checker of a sanitizer build cannot run under strace.
constexpr char kStrace[] = "ASAN_OPTIONS=detect_leaks=0 strace";

// strace makes the first fsync, that of the temporary file, bring the signal.
std::string SignalDuringSave(const char* signal)
{
    return std::string(kStrace) + " -o /dev/null -e trace=fsync -e inject=fsync:signal=" + signal +
           ":when=1 {cli} '{in}' '{dir}aus' >/dev/null";
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CommandLineHostileTest,
    testing::Values(
        HostileCase{"OutputNamesFolder", "mkdir '{dir}d' && {cli} '{in}' '{dir}d/'", kExitUsage,
                    "AUSGABE muss eine Datei nennen", {"blz.txt", "d"}},
        HostileCase{"OutputEmpty", "cd '{dir}' && {cli} '{in}' ''", kExitUsage, "AUSGABE muss eine Datei nennen",
                    {"blz.txt"}},
        HostileCase{"MessagesToFullDevice", "{cli} '{in}' '{dir}aus' >/dev/full", kExitFailure,
                    "Fehler 28: Die Datei „(Standardausgabe)“ kann nicht geschrieben werden: Kein Speicherplatz",
                    {"aus.csv", "blz.txt"}},
        HostileCase{"HelpToFullDevice", "{cli} --help >/dev/full", kExitFailure, "Fehler 28:", {"blz.txt"}},
        HostileCase{"InterruptDuringSave", SignalDuringSave("SIGINT"), 128 + SIGINT, "", {"blz.txt"}},
        HostileCase{"TerminateDuringSave", SignalDuringSave("SIGTERM"), 128 + SIGTERM, "", {"blz.txt"}},
        HostileCase{"HangupDuringSave", SignalDuringSave("SIGHUP"), 128 + SIGHUP, "", {"blz.txt"}}),
    [](const auto& info) { return info.param.name; });

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

TEST_F(CommandLineTest, DoubleDashAllowsNamesStartingWithDash)
{
    test::WriteBytes(dir.path("-blz.txt"), kInput);
    const Outcome outcome = RunProgram("-- " + test::Quoted(dir.path("-blz.txt")) + " " + test::Quoted(dir.path("-aus")));
    EXPECT_EQ(outcome.status, kExitSuccess);
    EXPECT_EQ(test::ReadBytes(dir.path("-aus.csv")), kCsv);
}

}  // namespace
}  // namespace leitzahl
