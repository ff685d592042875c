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
Told told;  // what the window told screen readers since the last look
int opened = 0;
// The system colours a scheme sets (face, text, link), and the machine's own, given back
// after each case, as other programs in the same Wine prefix see them too.
constexpr std::array<int, 3> kSchemeParts{COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_HOTLIGHT};
std::array<COLORREF, 3> machineColours{};

HWND Control(HWND window, const std::string& name)
{
    return name == "Form1" ? window
                           : GetDlgItem(window, name.starts_with("Command1_") ? Form1::kCommand1Id + (name.back() - '0')
                                                : name == "List1"             ? Form1::kList1Id
                                                                              : Form1::kLabel1Id + (name.back() - '1'));
}

std::string NameOf(HWND control)
{
    // Appended rather than added: GCC 12 warns of a bogus overlap for a literal plus a string.
    const int id = GetDlgCtrlID(control);
    std::string name;
    if (id >= Form1::kCommand1Id && id < Form1::kCommand1Id + 3) {
        name.append("Command1_").push_back(static_cast<char>('0' + id - Form1::kCommand1Id));
    } else if (id >= Form1::kLabel1Id && id <= Form1::kLabel3Id) {
        name.append("Label").push_back(static_cast<char>('1' + id - Form1::kLabel1Id));
    } else if (id == Form1::kList1Id) {
        name = "List1";
    }
    return name;
}

void CALLBACK NoteTold(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    if (event == 0x8019 && GetDlgCtrlID(window) == Form1::kLabel2Id) {  // a live region's change
        ++told.statusLine;
    } else if (event == EVENT_OBJECT_FOCUS && object == OBJID_CLIENT) {
        told.focus = NameOf(window);
        if (child > CHILDID_SELF) {
            told.focus.append("#").append(std::to_string(child - 1));
        }
    }
}

// The accessible object of a control (OBJID_CLIENT) or of the window (OBJID_WINDOW).
IAccessible* AccessibleOf(HWND control, LONG part)
{
    IAccessible* object = nullptr;
    return SUCCEEDED(AccessibleObjectFromWindow(control, static_cast<DWORD>(part), __uuidof(IAccessible),
                                                reinterpret_cast<void**>(&object)))
               ? object
               : nullptr;
}

std::string Taken(BSTR text)
{
    std::string taken = text != nullptr ? Narrow(text) : "";
    SysFreeString(text);
    return taken;
}

// The system hands out-of-context events and posted actions to the thread's message loop.
void Pump()
{
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
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
                              SetWinEventHook(0x8019, 0x8019, nullptr, NoteTold, GetCurrentProcessId(),
                                              GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT) != nullptr &&  // live region
                              SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, NoteTold,
                                              GetCurrentProcessId(), GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT) != nullptr;
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
                                                   {0, RGB(255, 255, 255), RGB(255, 255, 0)},
                                                   {RGB(85, 85, 85), RGB(120, 120, 120), RGB(100, 100, 140)}};
    SetSysColors(kSchemeParts.size(), kSchemeParts.data(), schemes[static_cast<int>(scheme)].data());
    // As the system tells the windows when a scheme is chosen.
    SendMessageW(form.handle(), WM_SYSCOLORCHANGE, 0, 0);
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

Heard WindowDriver::accessible(const std::string& control) const
{
    HWND window = Control(form.handle(), control);
    IAccessible* object = AccessibleOf(window, control == "Form1" ? OBJID_WINDOW : OBJID_CLIENT);
    if (object == nullptr) {
        return {};
    }
    VARIANT self{};
    self.vt = VT_I4;  // CHILDID_SELF
    VARIANT role{};
    VARIANT state{};
    BSTR name = nullptr;
    BSTR action = nullptr;
    object->get_accName(self, &name);
    object->get_accRole(self, &role);
    object->get_accState(self, &state);
    object->get_accDefaultAction(self, &action);
    object->Release();
    Heard heard{Taken(name), std::nullopt, (state.lVal & STATE_SYSTEM_INVISIBLE) == 0, Taken(action)};
    std::ranges::replace(heard.name, '\n', ' ');  // a narrow button's caption breaks onto two lines
    // Wine gives every control the role of a plain window, and the window none.
    if (role.vt == VT_I4 && role.lVal != ROLE_SYSTEM_CLIENT) {
        heard.role = role.lVal == ROLE_SYSTEM_LINK         ? "link"
                     : role.lVal == ROLE_SYSTEM_WINDOW     ? "frame"
                     : role.lVal == ROLE_SYSTEM_STATICTEXT ? "status line"
                                                           : "other";
    }
    return heard;
}

int WindowDriver::activate(const std::string& control)
{
    opened = 0;
    IAccessible* object = AccessibleOf(Control(form.handle(), control), OBJID_CLIENT);
    VARIANT self{};
    self.vt = VT_I4;
    object->accDoDefaultAction(self);
    object->Release();
    Pump();
    return opened;
}

std::pair<std::string, bool> WindowDriver::currentEntry() const
{
    HWND list = GetDlgItem(form.handle(), Form1::kList1Id);
    const int current = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    if (current < 0) {
        return {};
    }
    std::wstring text(512, L'\0');
    ListView_GetItemText(list, current, 0, text.data(), static_cast<int>(text.size()));
    return {Narrow(text.c_str()), ListView_GetItemState(list, current, LVIS_SELECTED) != 0};
}

void WindowDriver::down()
{
    SendMessageW(GetDlgItem(form.handle(), Form1::kList1Id), WM_KEYDOWN, VK_DOWN, 0);
}

std::string WindowDriver::focused() const
{
    return NameOf(GetFocus());
}

std::optional<Told> WindowDriver::told()
{
    Pump();
    return std::exchange(leitzahl::test::told, {});
}

std::vector<leitzahl::form::Colour> WindowDriver::focusFrame()
{
    HWND label = GetDlgItem(form.handle(), Form1::kLabel2Id);
    RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT area{};
    GetClientRect(label, &area);
    HDC context = GetDC(label);
    std::vector<leitzahl::form::Colour> side;
    for (int y = 0; y < area.bottom; ++y) {
        const COLORREF pixel = GetPixel(context, 0, y);
        side.push_back({GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)});
    }
    ReleaseDC(label, context);
    return side;
}

bool WindowDriver::underlined(const std::string& label) const
{
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Control(form.handle(), label), WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfUnderline != FALSE;
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
