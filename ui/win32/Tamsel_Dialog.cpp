#include "ui/win32/Tamsel_Dialog.h"

#include "core/system/windows/WideText.h"

#include <commdlg.h>
#include <vector>

namespace leitzahl {

namespace {

using DialogFunction = BOOL(WINAPI*)(OPENFILENAMEW*);

std::string ShowFileDialog(DialogFunction show, HWND owner, HINSTANCE instance, const std::string& initialFolder,
                           const std::string& title, const std::string& filterText, int* chosenFilter)
{
    // The filters, and the two NULs that end the list.
    std::wstring filter = Widen(filterText);
    filter += L'\0';
    filter += L'\0';
    const std::wstring folder = Widen(initialFolder);
    const std::wstring caption = Widen(title);
    // Room for the longest path Windows takes, so no chosen path is cut.
    std::vector<wchar_t> file(32768, L'\0');

    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.hInstance = instance;
    request.lpstrFilter = filter.c_str();
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    request.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    request.lpstrTitle = caption.c_str();
    request.Flags = OFN_EXPLORER;
    if (!show(&request)) {
        return {};
    }
    if (chosenFilter != nullptr) {
        *chosenFilter = static_cast<int>(request.nFilterIndex) - 1;
    }
    return Narrow(file.data());
}

}  // namespace

std::string ShowOpenDialog(HWND owner, HINSTANCE instance, const std::string& initialFolder,
                           const std::string& title, const std::string& filter)
{
    return ShowFileDialog(GetOpenFileNameW, owner, instance, initialFolder, title, filter, nullptr);
}

std::string ShowSaveDialog(HWND owner, HINSTANCE instance, const std::string& initialFolder,
                           const std::string& title, const std::string& filter, int* chosenFilter)
{
    return ShowFileDialog(GetSaveFileNameW, owner, instance, initialFolder, title, filter, chosenFilter);
}

}  // namespace leitzahl
