// The window cases' driver for the Win32 window, run in-process under Wine: a CBT hook
// notes each dialog or message box as it is created, and a timer answers it once its
// own message loop runs.
#include "WindowDriver.h"
#include "core/SystemFile.h"
#include "ui/win32/Form1.h"

#include <commctrl.h>
#include <commdlg.h>
#include <deque>
#include <dlgs.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#include <utility>

namespace leitzahl::test {

namespace {

std::string TextOf(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

// The answers of the innermost step that runs; a step run inside another one gets the
// dialogs opened meanwhile.
struct Answers {
    std::deque<Answer> left;
    int unexpected = 0;
};
std::vector<Answers*> steps;
std::deque<HWND> created;  // dialogs and boxes not yet answered
UINT_PTR answerTimer = 0;

void Note(Seen& seen, HWND dialog, HWND fileName)
{
    seen.title = TextOf(dialog);
    std::wstring folder(MAX_PATH, L'\0');
    if (fileName != nullptr) {
        folder.resize(static_cast<std::size_t>(std::max<LRESULT>(
            SendMessageW(dialog, CDM_GETFOLDERPATH, folder.size(), reinterpret_cast<LPARAM>(folder.data())) - 1, 0)));
        seen.folder = Narrow(folder);
        return;
    }
    // A message box: its text and its icon are statics.
    for (HWND item = nullptr; (item = FindWindowExW(dialog, item, L"Static", nullptr)) != nullptr;) {
        const auto icon = reinterpret_cast<HICON>(SendMessageW(item, STM_GETICON, 0, 0));
        seen.icon = icon == nullptr                             ? seen.icon
                    : icon == LoadIconW(nullptr, IDI_ERROR)   ? Icon::Error
                    : icon == LoadIconW(nullptr, IDI_WARNING) ? Icon::Warning
                                                              : seen.icon;
        seen.text = icon == nullptr && seen.text.empty() ? TextOf(item) : seen.text;
    }
}

void AnswerOne(HWND dialog)
{
    HWND fileName = GetDlgItem(dialog, cmb13) != nullptr ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
    Answers* answers = steps.empty() ? nullptr : steps.back();
    int button = fileName != nullptr ? IDCANCEL : IDOK;
    if (answers == nullptr || answers->left.empty()) {
        answers != nullptr ? ++answers->unexpected : 0;
    } else {
        const Answer answer = answers->left.front();
        answers->left.pop_front();
        if (answer.seen != nullptr) {
            Note(*answer.seen, dialog, fileName);
        }
        if (fileName != nullptr && !answer.choose.empty()) {
            SetWindowTextW(fileName, Widen(answer.choose).c_str());
            button = IDOK;
        }
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

// Runs in the message loop of the newest dialog, once it shows and takes input.
void CALLBACK AnswerCreated(HWND, UINT, UINT_PTR, DWORD)
{
    if (created.empty()) {
        KillTimer(nullptr, answerTimer);
        answerTimer = 0;
    } else if (IsWindowVisible(created.back()) && IsWindowEnabled(created.back())) {
        HWND dialog = created.back();
        created.pop_back();
        AnswerOne(dialog);
    }
}

LRESULT CALLBACK NoteCreated(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTW* window = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
        if ((window->style & WS_CHILD) == 0 && window->lpszClass == MAKEINTATOM(0x8002)) {  // a dialog
            created.push_back(reinterpret_cast<HWND>(wParam));
            answerTimer = answerTimer != 0 ? answerTimer : SetTimer(nullptr, 0, 10, AnswerCreated);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void Answering(const std::vector<Answer>& answers, const std::function<void()>& step)
{
    Answers mine{{answers.begin(), answers.end()}};
    steps.push_back(&mine);
    step();
    steps.pop_back();
    EXPECT_TRUE(mine.left.empty()) << mine.left.size() << " dialogs did not show";
    EXPECT_EQ(mine.unexpected, 0);
}

std::function<void()> whenHidden;
HWND hiddenList = nullptr;

}  // namespace

struct WindowDriver::Window {
    ~Window() { UnhookWindowsHookEx(hook); }
    HWND control(int id) const { return GetDlgItem(form.handle(), id); }

    HHOOK hook = SetWindowsHookExW(WH_CBT, NoteCreated, nullptr, GetCurrentThreadId());
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    BOOL controlsReady = InitCommonControlsEx(&controls);
    Form1 form{GetModuleHandleW(nullptr)};
};

WindowDriver::WindowDriver() : window_(std::make_unique<Window>())
{
    window_->form.setEndProgram([this] { ends.push_back(shown().label2); });
    ShowWindow(window_->form.handle(), SW_SHOW);
}

WindowDriver::~WindowDriver() = default;

void WindowDriver::click(int index, const std::vector<Answer>& answers)
{
    Answering(answers, [&] { window_->form.Command1_Click(index); });
}

void WindowDriver::handOver(const std::string& path, const std::vector<Answer>& answers)
{
    Answering(answers, [&] { window_->form.OpenHandedOverFile(path); });
}

void WindowDriver::drop(const std::vector<std::string>& paths)
{
    std::wstring names;
    for (const std::string& path : paths) {
        names.append(Widen(path)).push_back(L'\0');
    }
    names.push_back(L'\0');
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    names.copy(reinterpret_cast<wchar_t*>(files + 1), names.size());
    GlobalUnlock(memory);
    Answering({}, [&] { SendMessageW(window_->form.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0); });
}

void WindowDriver::tick()
{
    window_->form.Timer1_Timer();
}

void WindowDriver::closeBox()
{
    SendMessageW(window_->form.handle(), WM_CLOSE, 0, 0);
}

void WindowDriver::whenListHidden(std::function<void()> action)
{
    whenHidden = std::move(action);
    hiddenList = window_->control(Form1::kList1Id);
    SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR timer, DWORD) {
        if (!whenHidden) {
            KillTimer(nullptr, timer);
        } else if (!IsWindowVisible(hiddenList)) {
            std::exchange(whenHidden, nullptr)();
        }
    });
}

void WindowDriver::append(const std::string& entry)
{
    window_->form.entries().append(entry);
}

Shown WindowDriver::shown() const
{
    // A link: the colour the window gives the label's text when it draws, and the hand cursor.
    HWND form = window_->form.handle();
    HWND label2 = window_->control(Form1::kLabel2Id);
    HDC context = GetDC(label2);
    SendMessageW(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(context), reinterpret_cast<LPARAM>(label2));
    const bool link = GetTextColor(context) == RGB(0, 0, 255) &&
                      SendMessageW(form, WM_SETCURSOR, reinterpret_cast<WPARAM>(label2), HTCLIENT) == TRUE;
    ReleaseDC(label2, context);
    HWND list = window_->control(Form1::kList1Id);
    Shown shown{TextOf(form), TextOf(label2), TextOf(window_->control(Form1::kLabel3Id)), link,
                IsWindowEnabled(window_->control(Form1::kCommand1Id + 1)) != FALSE, IsWindowVisible(list) != FALSE,
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
