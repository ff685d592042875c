#include "cli/CommandLine.h"

#include "core/Diverse.h"
#include "core/MemoryEntryList.h"
#include "core/StatusTexts.h"
#include "core/SystemFile.h"
#include "core/Version.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"

#include <cerrno>
#include <string>
#include <vector>

namespace leitzahl {

namespace {

constexpr std::string_view kStandardStream = "-";
#ifdef _WIN32
constexpr char kFolderSeparator = '\\';
#else
constexpr char kFolderSeparator = '/';
#endif
constexpr char kUsage[] =
    "Aufruf: leitzahl-cli [--] EINGABE AUSGABE\n"
    "       leitzahl-cli --help | --version\n"
    "\n"
    "Liest die Bankleitzahlendatei EINGABE, entfernt doppelte Bankleitzahlen und\n"
    "schreibt Bankleitzahl;Bezeichnung;Prüfzifferberechnungsmethode nach AUSGABE.\n"
    "Fehlt AUSGABE die Endung \".csv\", wird sie angehängt.\n"
    "\"-\" als EINGABE liest die Standardeingabe, \"-\" als AUSGABE schreibt auf die\n"
    "Standardausgabe (die Meldungen gehen dann auf die Standardfehlerausgabe).\n"
    "Gelesen werden Sätze zu 168 Zeichen und die erweiterten zu 174 Zeichen.\n"
    "\n"
    "Exit-Status: 0 umgewandelt; 1 Fehler, nichts geschrieben; 2 falscher Aufruf;\n"
    "3 umgewandelt, aber Zeilen sehen nicht wie Einträge der Bankleitzahlendatei aus\n"
    "(die Warnung nennt die erste).\n";

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

    if (MaybeFailure failure = RemoveDuplicates(list)) {
        return ReportFailure(*failure, err);
    }
    if (MaybeFailure failure = BuildExportText(list)) {
        return ReportFailure(*failure, err);
    }

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
    if (imported.unfitLines > 0) {
        std::fprintf(err, "Warnung: %s\n",
                     UnfitLinesText(imported.unfitLines, imported.entriesRead, imported.firstUnfitLine).c_str());
        return kExitWarning;
    }
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
    // ".csv" would be completed to a hidden file of that name.
    if (paths[1].empty() || paths[1].ends_with('/') || paths[1].ends_with(kFolderSeparator)) {
        std::fprintf(err, "AUSGABE muss eine Datei nennen, keinen Ordner: „%.*s“\n",
                     static_cast<int>(paths[1].size()), paths[1].data());
        std::fputs(kUsage, err);
        return kExitUsage;
    }
    return Convert(Paths{std::string(paths[0]), std::string(paths[1])}, out, err);
}

int FinishStandardOutput(int status, std::FILE* out, std::FILE* err)
{
    // Output held back in the stream's buffer shows its write error only here.
    const bool failed = std::fflush(out) != 0 || std::ferror(out) != 0;
    const int error = errno;
    if (std::fclose(out) != 0 || failed) {
        ReportFailure(WriteFailure("(Standardausgabe)", failed ? error : errno), err);
        return status == kExitUsage ? status : kExitFailure;
    }
    return status;
}

}  // namespace leitzahl
