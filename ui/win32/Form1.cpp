#include "ui/win32/Form1.h"

#include "core/Version.h"
#include "core/WideText.h"
#include "ui/shared/DroppedFiles.h"
#include "ui/shared/EventThrottle.h"
#include "ui/shared/FormTexts.h"

#include <commctrl.h>
#include <cstdlib>
#include <shellapi.h>
#include <vector>

namespace leitzahl {

namespace {

constexpr wchar_t kWindowClass[] = L"leitzahl.Form1";
constexpr UINT_PTR kTimer1 = 1;
constexpr int kIconResource = 1;

COLORREF ToColorRef(const form::Colour& colour)
{
    return RGB(colour.red, colour.green, colour.blue);
}

void SetText(HWND control, const std::string& utf8)
{
    SetWindowTextW(control, Widen(utf8).c_str());
}

std::string TextOf(HWND control)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

HFONT BoldFont(const form::Font& font, UINT dpi)
{
    LOGFONTW description{};
    description.lfHeight = -MulDiv(static_cast<int>(font.points * 100), static_cast<int>(dpi), 7200);
    description.lfWeight = FW_BOLD;
    description.lfCharSet = DEFAULT_CHARSET;
    const std::wstring family = Widen(font.family);
    family.copy(description.lfFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectW(&description);
}

// A narrow button's caption broken before its last word: wrapped by the button at
// each space, the three words would need three lines, which its height does not hold.
std::string TwoLines(std::string caption)
{
    caption[caption.rfind(' ')] = '\n';
    return caption;
}

}  // namespace

Form1::Form1(HINSTANCE instance)
    : instance_(instance),
      endProgram_([] {
          // Ends at once, also from inside a running duplicate removal.
          std::_Exit(EXIT_SUCCESS);
      })
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);

    // Fixed frame, caption with the close box only.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    hwnd_ = CreateWindowExW(WS_EX_ACCEPTFILES, kWindowClass, L"", style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                            nullptr, nullptr, instance, this);
    dpi_ = GetDpiForWindow(hwnd_) != 0 ? GetDpiForWindow(hwnd_) : 96;
    RECT frame{0, 0, Scaled(form::kClientWidth), Scaled(form::kClientHeight)};
    AdjustWindowRectExForDpi(&frame, style, FALSE, WS_EX_ACCEPTFILES, dpi_);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER);
    CreateControls();
    SetTimer(hwnd_, kTimer1, form::kTickMilliseconds, nullptr);
    Form_Load();
}

Form1::~Form1()
{
    // Its handler would otherwise run on for a window object that is gone.
    DestroyWindow(hwnd_);
    for (HFONT font : {dialogFont_, label1Font_, label3Font_}) {
        DeleteObject(font);
    }
}

int Form1::Scaled(int pixels) const
{
    return MulDiv(pixels, static_cast<int>(dpi_), 96);
}

void Form1::CreateControls()
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi_);
    dialogFont_ = CreateFontIndirectW(&metrics.lfMessageFont);
    label1Font_ = BoldFont(form::kLabel1Font, dpi_);
    label3Font_ = BoldFont(form::kLabel3Font, dpi_);

    const auto create = [this](const wchar_t* kind, const std::string& text, DWORD style, const form::Place& place,
                               int id, HFONT font) {
        HWND control = CreateWindowExW(0, kind, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
                                       Scaled(place.left), Scaled(place.top), Scaled(place.width),
                                       Scaled(place.height), hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                       instance_, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    // In focus order; the please-wait labels go beneath the list below.
    Command1_[0] = create(L"BUTTON", TwoLines(form::kButtonCaptions[0]), WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE,
                          form::kCommand1[0], kCommand1Id, dialogFont_);
    List1_ = create(WC_LISTVIEWW, "",
                    WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                        LVS_SHOWSELALWAYS,
                    form::kList1, kList1Id, dialogFont_);
    Command1_[1] = create(L"BUTTON", TwoLines(form::kButtonCaptions[1]), WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE,
                          form::kCommand1[1], kCommand1Id + 1, dialogFont_);
    Command1_[2] = create(L"BUTTON", form::kButtonCaptions[2], WS_TABSTOP | BS_PUSHBUTTON, form::kCommand1[2],
                          kCommand1Id + 2, dialogFont_);
    Label1_ = create(L"STATIC", form::kPleaseWait, SS_CENTER, form::kLabel1, kLabel1Id, label1Font_);
    Label3_ = create(L"STATIC", "", SS_CENTER, form::kLabel3, kLabel3Id, label3Font_);
    Label2_ = create(L"STATIC", "", SS_LEFT | SS_NOTIFY, form::kLabel2, kLabel2Id, dialogFont_);
    SetWindowPos(Label1_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(Label3_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EnableWindow(Command1_[1], FALSE);

    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = Scaled(form::kList1.width) - GetSystemMetricsForDpi(SM_CXVSCROLL, dpi_) - Scaled(4);
    ListView_InsertColumn(List1_, 0, &column);
    ListView_SetExtendedListViewStyle(List1_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    entries_.attach(List1_);
    SetFocus(Command1_[0]);
}

void Form1::Form_Load()
{
    std::string caption = "V";
    caption.append(std::to_string(kVersionMajor)).append(".").append(std::to_string(kVersionMinor));
    SetText(hwnd_, caption.append(form::kCaptionAfterVersion));
    SetText(Label2_, std::string(form::kStartTextFirstLine) + "\r\n" + form::kDownloadAddress);
}

void Form1::Timer1_Timer()
{
    // The list's own visibility, whether or not the window shows.
    const bool listShown = (GetWindowLongPtrW(List1_, GWL_STYLE) & WS_VISIBLE) != 0;
    EnableWindow(Command1_[1], listShown && entries_.count() > 0);
    SetText(Label3_, listShown ? std::string() : TextOf(Label3_) + ".");
}

void Form1::Label2_Click()
{
    if (label2IsLink_) {
        ShellExecuteW(hwnd_, L"open", Widen(form::kDownloadAddress).c_str(), L"", Widen(ProgramFolder()).c_str(),
                      SW_SHOWNORMAL);
    }
}

void Form1::ProcessEvents()
{
    if (!EventsAreDue(eventsProcessed_)) {
        return;
    }
    entries_.showAppended();
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (!IsDialogMessageW(hwnd_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

void Form1::ShowMessage(const std::string& text, const std::string& title, UINT icon)
{
    MessageBoxW(hwnd_, Widen(text).c_str(), Widen(title).c_str(), MB_OK | icon);
}

std::string Form1::ProgramFolder() const
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return Narrow(path.substr(0, path.find_last_of(L'\\') + 1));
}

void Form1::DropFiles(HDROP drop)
{
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        paths.push_back(Narrow(name));
    }
    DragFinish(drop);
    OpenHandedOverFile(ChooseDroppedFile(paths));
}

void Form1::OpenHandedOverFile(const std::string& path)
{
    if (path.empty()) {
        return;
    }
    const std::wstring name = Widen(path);
    std::wstring full(GetFullPathNameW(name.c_str(), 0, nullptr, nullptr), L'\0');
    full.resize(GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
    OpenPath(Narrow(full));
}

LRESULT CALLBACK Form1::WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return form != nullptr ? form->Handle(message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Form1::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const int index = LOWORD(wParam) - kCommand1Id;
        if (index >= 0 && index < static_cast<int>(Command1_.size()) && HIWORD(wParam) == BN_CLICKED) {
            Command1_Click(index);
        } else if (LOWORD(wParam) == kLabel2Id && HIWORD(wParam) == STN_CLICKED) {
            Label2_Click();
        }
        return 0;
    }
    case WM_TIMER:
        Timer1_Timer();
        return 0;
    case WM_NOTIFY: {
        auto* request = reinterpret_cast<NMLVDISPINFOW*>(lParam);
        if (request->hdr.hwndFrom == List1_ && request->hdr.code == LVN_GETDISPINFOW &&
            (request->item.mask & LVIF_TEXT) != 0) {
            request->item.pszText = const_cast<wchar_t*>(entries_.rowText(static_cast<std::size_t>(request->item.iItem)));
        }
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        const auto control = reinterpret_cast<HWND>(lParam);
        const auto context = reinterpret_cast<HDC>(wParam);
        SetBkColor(context, GetSysColor(COLOR_BTNFACE));
        SetTextColor(context, control == Label2_   ? (label2IsLink_ ? ToColorRef(form::kLinkColour) : RGB(0, 0, 0))
                              : control == Label3_ ? ToColorRef(form::kDotsColour)
                                                   : GetSysColor(COLOR_BTNTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == Label2_ && label2IsLink_) {
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
            return TRUE;
        }
        break;
    case WM_DROPFILES:
        DropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_CLOSE:
        endProgram_();
        return 0;
    default: break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

int RunMessageLoop(const Form1& form)
{
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(form.handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

}  // namespace leitzahl
