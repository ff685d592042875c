// The window cases' driver for the Win32 window, run in-process under Wine: a CBT hook
// notes each dialog or message box as it is created, and a timer answers it once its
// own message loop runs.
#include "WindowDriver.h"
#include "core/system/windows/WideText.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <oleacc.h>
#include <shlobj.h>
#include <utility>

namespace leitzahl::test {

namespace {

std::vector<HWND> created;  // dialogs and boxes not yet answered
WindowDriver* current = nullptr;
int announced = 0;
int opened = 0;
// The system colours a scheme sets (face, text, link), and the machine's own, given back
// after each case, as other programs in the same Wine prefix see them too.
constexpr std::array<int, 3> kSchemeParts{COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_HOTLIGHT};
std::array<COLORREF, 3> machineColours{};

HWND Control(HWND window, const std::string& name)
{
    return GetDlgItem(window, name.starts_with("Command1_") ? Form1::kCommand1Id + (name.back() - '0')
                              : name == "List1"             ? Form1::kList1Id
                                                            : Form1::kLabel1Id + (name.back() - '1'));
}

void CALLBACK NoteAnnouncement(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD)
{
    announced += GetDlgCtrlID(window) == Form1::kLabel2Id ? 1 : 0;
}

std::string TextOf(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

// What a file dialog (with its file name field) or a message box (without) shows.
Seen Note(HWND dialog, HWND fileName)
{
    std::wstring folder(MAX_PATH, L'\0');
    SendMessageW(dialog, CDM_GETFOLDERPATH, folder.size(), reinterpret_cast<LPARAM>(folder.data()));
    Seen seen{TextOf(dialog), "", fileName != nullptr ? Narrow(folder.c_str()) : "", Icon::None};
    HWND filters = fileName != nullptr ? GetDlgItem(dialog, cmb1) : nullptr;
    const LRESULT count = filters != nullptr ? SendMessageW(filters, CB_GETCOUNT, 0, 0) : 0;
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<std::size_t>(SendMessageW(filters, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(SendMessageW(filters, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        seen.filters.push_back(Narrow(text));
    }
    seen.filter = filters != nullptr ? static_cast<int>(SendMessageW(filters, CB_GETCURSEL, 0, 0)) : -1;
    // A message box shows its text and its icon in statics.
    for (HWND item = nullptr; fileName == nullptr && (item = FindWindowExW(dialog, item, L"Static", nullptr));) {
        const auto icon = reinterpret_cast<HICON>(SendMessageW(item, STM_GETICON, 0, 0));
        seen.text += icon == nullptr ? TextOf(item) : "";
        seen.icon = icon == LoadIconW(nullptr, IDI_ERROR)     ? Icon::Error
                    : icon == LoadIconW(nullptr, IDI_WARNING) ? Icon::Warning
                                                              : seen.icon;
    }
    return seen;
}

void Answer(HWND dialog)
{
    HWND fileName = GetDlgItem(dialog, cmb13) != nullptr ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
    std::optional<std::string> answer = NextAnswer(Note(dialog, fileName));
    if (fileName != nullptr && answer && answer->starts_with(kSecondFilter)) {
        // As a click in the list: the dialog takes the filter on the notifications.
        HWND filters = GetDlgItem(dialog, cmb1);
        SendMessageW(filters, CB_SETCURSEL, 1, 0);
        for (const WORD notification : {CBN_SELCHANGE, CBN_SELENDOK}) {
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(cmb1, notification), reinterpret_cast<LPARAM>(filters));
        }
        answer->erase(0, 1);
    }
    const bool choose = fileName != nullptr && answer && !answer->empty();
    if (choose) {
        SetWindowTextW(fileName, Widen(*answer).c_str());
    }
    const int button = choose || fileName == nullptr ? IDOK : IDCANCEL;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

// Runs in whatever message loop turns: a dialog's own once it shows and takes input.
void CALLBACK Poll(HWND, UINT, UINT_PTR, DWORD)
{
    std::erase_if(created, [](HWND dialog) { return IsWindow(dialog) == FALSE; });
    if (!created.empty() && IsWindowVisible(created.back()) && IsWindowEnabled(created.back())) {
        Answer(created.back());
        created.pop_back();
    }
    if (current != nullptr && current->whenListHidden &&
        !IsWindowVisible(GetDlgItem(current->form.handle(), Form1::kList1Id))) {
        std::exchange(current->whenListHidden, nullptr)();
    }
}

LRESULT CALLBACK NoteCreated(int code, WPARAM wParam, LPARAM lParam)
{
    const CREATESTRUCTW* window = code == HCBT_CREATEWND ? reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs : nullptr;
    if (window != nullptr && (window->style & WS_CHILD) == 0 && window->lpszClass == MAKEINTATOM(0x8002)) {  // a dialog
        created.push_back(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

bool WindowDriver::Prepare()
{
    static INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    static const bool ready = InitCommonControlsEx(&controls) != FALSE &&
                              SetWindowsHookExW(WH_CBT, NoteCreated, nullptr, GetCurrentThreadId()) != nullptr &&
                              SetTimer(nullptr, 0, 5, Poll) != 0 &&
                              SetWinEventHook(0x8019, 0x8019, nullptr, NoteAnnouncement, GetCurrentProcessId(),
                                              GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT) != nullptr;  // live region
    std::ranges::transform(kSchemeParts, machineColours.begin(), GetSysColor);
    return ready;
}

WindowDriver::WindowDriver() : form(GetModuleHandleW(nullptr))
{
    form.setEndProgram([this] { ends.push_back(shown().label2); });
    form.setOpenPage([] { ++opened; });
    ShowWindow(form.handle(), SW_SHOW);
    current = this;
}

WindowDriver::~WindowDriver()
{
    current = nullptr;
    SetSysColors(kSchemeParts.size(), kSchemeParts.data(), machineColours.data());
}

void WindowDriver::useScheme(Scheme scheme)
{
    // Windows 10's light colours; a dark face with the light link colour; a high-contrast
    // theme with a black background (Wine has no high-contrast flag).
    constexpr std::array<COLORREF, 3> schemes[] = {{RGB(240, 240, 240), 0, RGB(0, 102, 204)},
                                                   {RGB(43, 43, 43), RGB(255, 255, 255), RGB(0, 102, 204)},
                                                   {0, RGB(255, 255, 255), RGB(255, 255, 0)}};
    SetSysColors(kSchemeParts.size(), kSchemeParts.data(), schemes[static_cast<int>(scheme)].data());
}

std::pair<leitzahl::form::Colour, leitzahl::form::Colour> WindowDriver::colours(const std::string& name) const
{
    // What the window gives the label when it paints.
    HWND label = Control(form.handle(), name);
    HDC context = GetDC(label);
    LOGBRUSH fill{};
    GetObjectW(reinterpret_cast<HBRUSH>(SendMessageW(form.handle(), WM_CTLCOLORSTATIC,
                                                     reinterpret_cast<WPARAM>(context), reinterpret_cast<LPARAM>(label))),
               sizeof fill, &fill);
    const COLORREF text = GetTextColor(context);
    ReleaseDC(label, context);
    return {{GetRValue(text), GetGValue(text), GetBValue(text)},
            {GetRValue(fill.lbColor), GetGValue(fill.lbColor), GetBValue(fill.lbColor)}};
}

bool WindowDriver::tabGoesTo(const std::string& from, const std::string& to)
{
    SetFocus(Control(form.handle(), from));
    MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};  // as the message loop hands it on
    IsDialogMessageW(form.handle(), &tab);
    return GetFocus() == Control(form.handle(), to);
}

int WindowDriver::press(bool enter)
{
    opened = 0;
    MSG key{GetFocus(), WM_KEYDOWN, static_cast<WPARAM>(enter ? VK_RETURN : VK_SPACE), 0, 0, {}};
    IsDialogMessageW(form.handle(), &key);
    return opened;
}

std::pair<std::string, std::optional<bool>> WindowDriver::accessible(const std::string& control) const
{
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(Control(form.handle(), control), OBJID_CLIENT, __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object)))) {
        return {};
    }
    VARIANT self{};
    self.vt = VT_I4;  // CHILDID_SELF
    VARIANT role{};
    BSTR name = nullptr;
    object->get_accName(self, &name);
    object->get_accRole(self, &role);
    object->Release();
    std::string text = name != nullptr ? Narrow(name) : "";
    SysFreeString(name);
    std::ranges::replace(text, '\n', ' ');  // a narrow button's caption breaks onto two lines
    // Wine gives every control the role of a plain window.
    return {text, role.lVal == ROLE_SYSTEM_CLIENT ? std::nullopt : std::optional(role.lVal == ROLE_SYSTEM_LINK)};
}

std::optional<int> WindowDriver::announcements()
{
    // The system hands out-of-context events to the thread's message loop.
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&message);
    }
    return std::exchange(announced, 0);
}

std::vector<Seen> WindowDriver::drop(const std::vector<std::string>& paths, const std::vector<std::string>& answers)
{
    std::wstring names;
    for (const std::string& path : paths) {
        names.append(Widen(path)).push_back(L'\0');
    }
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (names.size() + 1) * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    *files = {sizeof(DROPFILES), {}, FALSE, TRUE};
    names.copy(reinterpret_cast<wchar_t*>(files + 1), names.size());
    GlobalUnlock(memory);
    return Answering(answers, [&] { SendMessageW(form.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0); });
}

void WindowDriver::closeBox()
{
    SendMessageW(form.handle(), WM_CLOSE, 0, 0);
}

Shown WindowDriver::shown() const
{
    // A link: the colour the window gives the label's text when it draws, and the hand cursor.
    HWND window = form.handle();
    HWND label2 = GetDlgItem(window, Form1::kLabel2Id);
    HWND list = GetDlgItem(window, Form1::kList1Id);
    Shown shown{TextOf(window), TextOf(label2), TextOf(GetDlgItem(window, Form1::kLabel3Id)),
                colours("Label2").first == leitzahl::form::Colour{0, 0, 255} &&
                    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(label2), HTCLIENT) == TRUE,
                IsWindowEnabled(GetDlgItem(window, Form1::kCommand1Id + 1)) != FALSE, IsWindowVisible(list) != FALSE,
                std::vector<std::string>(static_cast<std::size_t>(ListView_GetItemCount(list)))};
    std::wstring text(512, L'\0');
    for (std::size_t row = 0; row < shown.rows.size(); ++row) {
        ListView_GetItemText(list, static_cast<int>(row), 0, text.data(), static_cast<int>(text.size()));
        shown.rows[row] = Narrow(text.c_str());
    }
    return shown;
}

std::string WindowDriver::programFolder() const
{
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return Narrow(path.substr(0, path.find_last_of(L'\\')));
}

}  // namespace leitzahl::test
