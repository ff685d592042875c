#include "cli/CommandLine.h"

#include "core/direct/DirectConversion.h"
#include "core/Diverse.h"
#include "core/MemoryEntryList.h"
#include "core/StatusTexts.h"
#include "core/system/SystemFile.h"
#include "core/Version.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"
#include "core/modWorkbookExport.h"

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
    "Fehlt AUSGABE die Endung \".csv\", wird sie angehängt; endet AUSGABE auf\n"
    "\".xlsx\", entsteht eine Excel-Arbeitsmappe (alle Zellen Text, höchstens\n"
    "1.048.575 Einträge).\n"
    "\"-\" als EINGABE liest die Standardeingabe, \"-\" als AUSGABE schreibt auf die\n"
    "Standardausgabe (die Meldungen gehen dann auf die Standardfehlerausgabe).\n"
    "Gelesen wird jede Form, in der die Bundesbank die Datei anbietet: Text mit\n"
    "Sätzen zu 168 oder 174 Zeichen, CSV und XML, jede auch als ZIP-Archiv.\n"
    "\n"
    "Eine Eingabe ohne Einträge ersetzt keine vorhandene Ausgabe.\n"
    "\n"
    "Exit-Status: 0 umgewandelt; 1 Fehler, nichts geschrieben; 2 falscher Aufruf;\n"
    "3 umgewandelt, mit Warnung (Zeilen, die nicht wie Einträge der\n"
    "Bankleitzahlendatei aussehen; nur für die CSV-Datei: ein \";\" in einem Eintrag,\n"
    "Zeichen außerhalb von ISO 8859-1); 4 umgewandelt und gespeichert, aber die Meldungen konnten nicht\n"
    "ausgegeben werden.\n";

struct Paths {
    std::string input;
    std::string output;
};

int Usage(std::FILE* err, const std::string& reason)
{
    std::fprintf(err, "%s\n", reason.c_str());
    std::fputs(kUsage, err);
    return kExitUsage;
}

int ReportFailure(const Failure& failure, std::FILE* err)
{
    std::fprintf(err, "Fehler %d: %s\n", static_cast<int>(failure.number), failure.description.c_str());
    return kExitFailure;
}

int Convert(const Paths& paths, std::FILE* out, std::FILE* err)
{
    const bool fromStandardInput = paths.input == kStandardStream;
    const bool toStandardOutput = paths.output == kStandardStream;

    const std::string shownInput = fromStandardInput ? "(Standardeingabe)" : paths.input;
    if (MaybeFailure failure = fromStandardInput ? LoadStandardInputText() : LoadFileText(paths.input)) {
        return ReportFailure(*failure, err);
    }
    // The published file takes the short way; any other input goes through a list, as in
    // the window.
    DirectConversion conversion = ConvertTextDirectly(shownInput);
    ImportResult& imported = conversion.imported;
    MemoryEntryList list;
    if (!conversion.done) {
        imported = ImportLoadedText(list, shownInput);
        EmptyFileText();
    }
    if (imported.failure) {
        return ReportFailure(*imported.failure, err);
    }
    // Nothing to convert must not replace a good result with an empty file.
    if (imported.entriesRead == 0) {
        return ReportFailure(Failure{kErrorNoEntries, "Die Datei „" + shownInput +
                                                          "“ enthält keine Einträge der Bankleitzahlendatei."},
                             err);
    }
    if (!conversion.done) {
        if (MaybeFailure failure = RemoveDuplicates(list)) {
            return ReportFailure(*failure, err);
        }
        if (MaybeFailure failure = BuildExportText(list)) {
            return ReportFailure(*failure, err);
        }
        conversion.kept = list.count();
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

    std::FILE* messages = toStandardOutput || NamesStandardOutput(finalName) ? err : out;
    std::fprintf(messages, "%s\n%s\n%s\n", EntriesInFileText(imported.entriesRead, shownInput).c_str(),
                 EntriesKeptText(imported.entriesRead, conversion.kept).c_str(),
                 SavedToText(finalName).c_str());
    if (const std::string validity = ValidityText(imported.validFrom, imported.validTill); !validity.empty()) {
        std::fprintf(messages, "%s\n", validity.c_str());
    }
    // The CSV is saved by now: a summary that cannot be printed must not read as
    // "nothing written".
    const bool messagesLost = messages == out && (std::fflush(out) != 0 || std::ferror(out) != 0);
    if (messagesLost) {
        std::fprintf(err, "Das Ergebnis wurde unter „%s“ gespeichert, aber die Meldungen konnten nicht ausgegeben "
                          "werden: %s.\n",
                     finalName.c_str(), DescribeSystemError(errno).c_str());
    }
    const std::vector<std::string> warnings =
        ImportWarnings(imported, !toStandardOutput && IsWorkbookName(finalName));
    for (const std::string& warning : warnings) {
        std::fprintf(err, "Warnung: %s\n", warning.c_str());
    }
    return messagesLost ? kExitMessagesLost : !warnings.empty() ? kExitWarning : kExitSuccess;
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
                return Usage(err, std::string(argument) + " steht allein, ohne weitere Argumente.");
            }
            if (argument == "--help") {
                std::fputs(kUsage, out);
            } else {
                std::fprintf(out, "leitzahl %s\n", kVersionText);
            }
            return kExitSuccess;
        } else {
            return Usage(err, "Unbekannte Option: " + std::string(argument));
        }
    }
    if (paths.size() < 2) {
        return Usage(err, paths.empty() ? "EINGABE und AUSGABE fehlen." : "AUSGABE fehlt.");
    }
    if (paths.size() > 2) {
        return Usage(err, "Zu viele Argumente: erwartet sind EINGABE und AUSGABE.");
    }
    // ".csv" would be completed to a hidden file of that name, "." to "..csv".
    const std::string output(paths[1]);
    if (output.empty() || output.ends_with('/') || output.ends_with(kFolderSeparator) ||
        KindOfFile(output) == FileKind::Folder) {
        return Usage(err, "AUSGABE muss eine Datei nennen, keinen Ordner: „" + output + "“");
    }
    return Convert(Paths{std::string(paths[0]), output}, out, err);
}

int FinishStandardOutput(int status, std::FILE* out, std::FILE* err)
{
    // Output held back in the stream's buffer shows its write error only here. A run
    // that has already said what went wrong says nothing more.
    const bool failed = std::fflush(out) != 0 || std::ferror(out) != 0;
    const int error = errno;
    const bool closeFailed = std::fclose(out) != 0;
    if ((!failed && !closeFailed) || (status != kExitSuccess && status != kExitWarning)) {
        return status;
    }
    ReportFailure(WriteFailure("(Standardausgabe)", failed ? error : errno), err);
    return kExitFailure;
}

}  // namespace leitzahl
