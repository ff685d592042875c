#include "cli/CommandLine.h"

#include "core/Diverse.h"
#include "core/MemoryEntryList.h"
#include "core/StatusTexts.h"
#include "core/Version.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"

#include <string>
#include <vector>

namespace leitzahl {

namespace {

constexpr std::string_view kStandardStream = "-";
constexpr char kUsage[] =
    "Aufruf: leitzahl-cli [--] EINGABE AUSGABE\n"
    "       leitzahl-cli --help | --version\n"
    "\n"
    "Liest die Bankleitzahlendatei EINGABE, entfernt doppelte Bankleitzahlen und\n"
    "schreibt Bankleitzahl;Bezeichnung;Prüfzifferberechnungsmethode nach AUSGABE.\n"
    "Fehlt AUSGABE die Endung \".csv\", wird sie angehängt.\n"
    "\"-\" als EINGABE liest die Standardeingabe, \"-\" als AUSGABE schreibt auf die\n"
    "Standardausgabe (die Meldungen gehen dann auf die Standardfehlerausgabe).\n";

struct Paths {
    std::string input;
    std::string output;
};

int ReportFailure(const Failure& failure, std::FILE* err)
{
    std::fprintf(err, "Fehler %d: %s\n", static_cast<int>(failure.number), failure.description.c_str());
    return kExitFailure;
}

int Convert(const Paths& paths, std::FILE* out, std::FILE* err)
{
    const bool fromStandardInput = paths.input == kStandardStream;
    const bool toStandardOutput = paths.output == kStandardStream;

    MemoryEntryList list;
    ImportResult imported;
    if (fromStandardInput) {
        imported.failure = LoadStandardInputText();
        if (!imported.failure) {
            imported = ImportSortCodeText(FileText, list);
        }
    } else {
        imported = ImportSortCodeFile(paths.input, list);
    }
    EmptyFileText();
    if (imported.failure) {
        return ReportFailure(*imported.failure, err);
    }

    RemoveDuplicates(list, [] {});
    BuildExportText(list);

    std::string finalName = "(Standardausgabe)";
    if (toStandardOutput) {
        if (MaybeFailure failure = WriteExportToStandardOutput()) {
            return ReportFailure(*failure, err);
        }
    } else {
        ExportResult written = WriteExportFile(paths.output);
        if (written.failure) {
            return ReportFailure(*written.failure, err);
        }
        finalName = std::move(written.finalName);
    }

    std::FILE* messages = toStandardOutput ? err : out;
    const std::string shownInput = fromStandardInput ? "(Standardeingabe)" : paths.input;
    std::fprintf(messages, "%s\n%s\n%s\n", EntriesInFileText(imported.entriesRead, shownInput).c_str(),
                 EntriesKeptText(imported.entriesRead, list.count()).c_str(),
                 SavedToText(finalName).c_str());
    return kExitSuccess;
}

}  // namespace

int RunCommandLine(std::span<const std::string_view> arguments, std::FILE* out, std::FILE* err)
{
    std::vector<std::string_view> paths;
    bool optionsEnded = false;
    for (const std::string_view argument : arguments) {
        if (optionsEnded || argument == kStandardStream || !argument.starts_with('-')) {
            paths.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "--version") {
            if (arguments.size() != 1) {
                std::fputs(kUsage, err);
                return kExitUsage;
            }
            if (argument == "--help") {
                std::fputs(kUsage, out);
            } else {
                std::fprintf(out, "leitzahl %s\n", kVersionText);
            }
            return kExitSuccess;
        } else {
            std::fprintf(err, "Unbekannte Option: %.*s\n", static_cast<int>(argument.size()), argument.data());
            std::fputs(kUsage, err);
            return kExitUsage;
        }
    }
    if (paths.size() != 2) {
        std::fputs(kUsage, err);
        return kExitUsage;
    }
    return Convert(Paths{std::string(paths[0]), std::string(paths[1])}, out, err);
}

}  // namespace leitzahl
