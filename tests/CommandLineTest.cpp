#include "TestFiles.h"
#include "cli/CommandLine.h"

#include <gtest/gtest.h>

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
        const int status = test::RunShell(std::string(LEITZAHL_CLI) + " " + arguments + " >'" +
                                          dir.path("stdout") + "' 2>'" + dir.path("stderr") + "'");
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
    const Outcome outcome = RunProgram("- - <'" + dir.path("blz.txt") + "'");
    EXPECT_EQ(outcome.status, kExitSuccess);
    EXPECT_EQ(outcome.out, kCsv);
    EXPECT_EQ(outcome.err, Summary("(Standardeingabe)", "(Standardausgabe)"));
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
        FailureCase{"MissingInput", "fehlt.txt", "aus.csv",
                    "Fehler 2: Die Datei „TMPfehlt.txt“ kann nicht gelesen werden: Datei oder Ordner nicht gefunden.\n"},
        FailureCase{"ShortLine", "kurz.txt", "aus.csv",
                    "Fehler 1001: Zeile 2 ist zu kurz für einen Eintrag der Bankleitzahlendatei.\n"},
        FailureCase{"MissingOutputFolder", "blz.txt", "fehlt/aus.csv",
                    "Fehler 2: Die Datei „TMPfehlt/aus.csv“ kann nicht geschrieben werden: Datei oder Ordner nicht gefunden.\n"}),
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

TEST_F(CommandLineTest, DoubleDashAllowsNamesStartingWithDash)
{
    test::WriteBytes(dir.path("-blz.txt"), kInput);
    const Outcome outcome = RunProgram("-- '" + dir.path("-blz.txt") + "' '" + dir.path("-aus") + "'");
    EXPECT_EQ(outcome.status, kExitSuccess);
    EXPECT_EQ(test::ReadBytes(dir.path("-aus.csv")), kCsv);
}

}  // namespace
}  // namespace leitzahl
