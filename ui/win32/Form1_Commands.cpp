// The Win32 window's command handlers: open, save and end.
#include "ui/win32/Form1.h"

#include "core/StatusTexts.h"
#include "core/system/windows/WideText.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"
#include "core/modWorkbookExport.h"
#include "ui/shared/FormTexts.h"
#include "ui/shared/OpenCommand.h"
#include "ui/win32/Tamsel_Dialog.h"

#include <commctrl.h>
#include <initializer_list>

namespace leitzahl {

namespace {

// The dialog's filters: description and pattern, and so on, each followed by a NUL.
std::string FilterText(std::initializer_list<const char*> parts)
{
    std::string filter;
    for (const char* part : parts) {
        filter += filter.empty() ? "" : std::string(1, '\0');
        filter += part;
    }
    return filter;
}

}  // namespace

void Form1::Command1_Click(int index)
{
    switch (index) {
    case 0: OpenCommand(); break;
    case 1: SaveCommand(); break;
    case 2:
        ShowWindow(hwnd_, SW_HIDE);
        endProgram_();
        break;
    default: break;
    }
}

void Form1::OpenCommand()
{
    OpenPath(ShowOpenDialog(hwnd_, instance_, ProgramFolder(), form::kOpenTitle,
                            FilterText({form::kOpenFilterName, form::kOpenFilterPattern, form::kOpenAllFormsName,
                                        form::kOpenAllFormsPattern})));
}

void Form1::OpenPath(const std::string& path)
{
    const std::size_t separator = path.find_last_of("\\/");
    const std::string fileName = separator == std::string::npos ? std::string() : path.substr(separator + 1);
    const std::string folder = path.substr(0, path.size() - fileName.size());
    if (fileName.empty()) {
        return;
    }

    entries_.clear();
    ShowList(false);
    // Saving now would write the entries before their duplicates are removed; the
    // timer enables the button again once the list shows.
    EnableWindow(Command1_[1], FALSE);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);

    const std::string fullPath = folder + fileName;
    entries_.holdAppended();
    const OpenOutcome outcome = ImportAndRemoveDuplicates(fullPath, entries_, [this] { ProcessEvents(); });
    entries_.showAsUtf8(outcome.utf8);
    entries_.releaseAppended();
    if (outcome.failure) {
        // Nothing of a file that could not be read in full is shown; the list is back
        // before the box, so that no dots grow behind it.
        EmptyFileText();
        entries_.clear();
        ShowList(true);
        ShowMessage(outcome.failure->description, std::to_string(outcome.failure->number), MB_ICONERROR);
        return;
    }

    ShowList(true);
    // The first entry is the one a screen reader reads when the list gets the focus,
    // and Down goes on to the second; it is not selected.
    ListView_SetItemState(List1_, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    SetLabel2Black();  // the link line is a status line from now on
    SetWindowTextW(Label2_, Widen(EntriesInFileText(outcome.imported.entriesRead, fullPath) + "\r\n" +
                                  EntriesKeptText(outcome.imported.entriesRead, entries_.count()))
                                .c_str());
    InvalidateRect(Label2_, nullptr, TRUE);
    EmptyFileText();
    if (!outcome.warning.empty()) {
        ShowMessage(outcome.warning, form::kWarningTitle, MB_ICONWARNING);
    }
}

void Form1::SaveCommand()
{
    if (MaybeFailure failure = BuildExportText(entries_)) {
        ShowMessage(failure->description, std::to_string(failure->number), MB_ICONERROR);
        return;
    }
    int filter = 0;
    const std::string name = ShowSaveDialog(
        hwnd_, instance_, std::string(), form::kSaveTitle,
        FilterText({form::kSaveFilterName, form::kSavePattern, form::kSaveWorkbookName, form::kSaveWorkbookPattern}),
        &filter);
    if (name.empty()) {
        return;
    }
    const ExportResult written = WriteExportFile(filter == 1 ? NameUnderWorkbookFilter(name) : name);
    if (written.failure) {
        ShowMessage(written.failure->description, std::to_string(written.failure->number), MB_ICONERROR);
        return;
    }
    EmptyFileText();
    entries_.clear();
    SetWindowTextW(Label2_, Widen(SavedToText(written.finalName)).c_str());
}

}  // namespace leitzahl
