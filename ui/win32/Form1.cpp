#include "ui/win32/Form1.h"

#include "core/Version.h"
#include "core/system/windows/WideText.h"
#include "ui/shared/DroppedFiles.h"
#include "ui/shared/EventThrottle.h"
#include "ui/shared/FormTexts.h"
#include "ui/shared/ReadableColours.h"
#include "ui/win32/LinkLineAccessible.h"

#include <commctrl.h>
#include <cstdlib>
#include <objbase.h>
#include <oleacc.h>
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

form::Colour SystemColour(int index)
{
    const COLORREF colour = GetSysColor(index);
    return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

bool HighContrast()
{
    HIGHCONTRASTW scheme{sizeof scheme, 0, nullptr};
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof scheme, &scheme, 0) != FALSE &&
           (scheme.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

// A label's text colour on the button face: the designed one under the usual system
// colours, the scheme's own where the user chose high contrast or it would not read.
COLORREF ReadableOnFace(const form::Colour& designed, int schemeIndex)
{
    const form::Colour face = SystemColour(COLOR_BTNFACE);
    const form::Colour scheme = SystemColour(schemeIndex);
    const form::Colour text = SystemColour(COLOR_BTNTEXT);
    const form::Colour towardsText = form::Halfway(scheme, text);
    return ToColorRef(HighContrast() ? form::ReadableColour({scheme, towardsText, text}, face)
                                     : form::ReadableColour({designed, scheme, towardsText, text}, face));
}

// Dynamic annotation: what screen readers read of a control beyond the system's own
// accessible object. Not every system offers it; the control then stays as it is.
constexpr GUID kAccPropServices{0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kIAccPropServices{0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kAccName{0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr GUID kAccRole{0xcb905ff2, 0x7bd1, 0x4c05, {0xb3, 0xc8, 0xe6, 0xc2, 0x41, 0x36, 0x4d, 0x70}};
constexpr GUID kLiveSetting{0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr LONG kPolite = 1;
constexpr DWORD kLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED

void Annotate(HWND control, const GUID& property, LONG number, const std::string& text = "")
{
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIAccPropServices,
                                reinterpret_cast<void**>(&services)))) {
        return;
    }
    if (text.empty()) {
        VARIANT value{};
        value.vt = VT_I4;
        value.lVal = number;
        services->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property, value);
    } else {
        services->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, property, Widen(text).c_str());
    }
    services->Release();
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
      }),
      openPage_([this] {
          ShellExecuteW(hwnd_, L"open", Widen(form::kDownloadAddress).c_str(), L"", Widen(ProgramFolder()).c_str(),
                        SW_SHOWNORMAL);
      })
{
    comReady_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
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
    for (HFONT font : {dialogFont_, label1Font_, label3Font_, linkFont_}) {
        DeleteObject(font);
    }
    if (comReady_) {
        CoUninitialize();
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
    // Reached by Tab while it is a link (last, as it lies at the bottom).
    Label2_ = create(L"STATIC", "", WS_TABSTOP | SS_LEFT | SS_NOTIFY, form::kLabel2, kLabel2Id, dialogFont_);
    SetWindowSubclass(Label2_, Label2Procedure, 0, reinterpret_cast<DWORD_PTR>(this));
    SetText(List1_, form::kList1Name);
    Annotate(List1_, kAccName, 0, form::kList1Name);
    SetWindowPos(Label1_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(Label3_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EnableWindow(Command1_[1], FALSE);
    LOGFONTW underlined{};
    GetObjectW(dialogFont_, sizeof underlined, &underlined);
    underlined.lfUnderline = TRUE;
    linkFont_ = CreateFontIndirectW(&underlined);

    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = Scaled(form::kList1.width) - GetSystemMetricsForDpi(SM_CXVSCROLL, dpi_) - Scaled(4);
    ListView_InsertColumn(List1_, 0, &column);
    ListView_SetExtendedListViewStyle(List1_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    entries_.attach(List1_);
    ShowList(true);
    UnderlineLinkLike();
    SetFocus(Command1_[0]);
}

void Form1::ShowList(bool shown)
{
    // The please-wait texts it covers are hidden too, so that screen readers do not
    // read them as shown.
    ShowWindow(List1_, shown ? SW_SHOW : SW_HIDE);
    ShowWindow(Label1_, shown ? SW_HIDE : SW_SHOW);
    ShowWindow(Label3_, shown ? SW_HIDE : SW_SHOW);
}

COLORREF Form1::Label2Colour() const
{
    return label2IsLink_ ? ReadableOnFace(form::kLinkColour, COLOR_HOTLIGHT)
                         : ReadableOnFace(form::kStatusColour, COLOR_BTNTEXT);
}

void Form1::UnderlineLinkLike()
{
    // A link in the status line's colour still shows what it is.
    const bool plain = label2IsLink_ && Label2Colour() == ReadableOnFace(form::kStatusColour, COLOR_BTNTEXT);
    SendMessageW(Label2_, WM_SETFONT, reinterpret_cast<WPARAM>(plain ? linkFont_ : dialogFont_), TRUE);
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
        openPage_();
    }
}

void Form1::SetLabel2Black()
{
    label2IsLink_ = false;
    SetWindowLongPtrW(Label2_, GWL_STYLE, GetWindowLongPtrW(Label2_, GWL_STYLE) & ~WS_TABSTOP);
    if (GetFocus() == Label2_) {
        SetFocus(Command1_[0]);
    }
    Annotate(Label2_, kAccRole, ROLE_SYSTEM_STATICTEXT);
    Annotate(Label2_, kLiveSetting, kPolite);
    UnderlineLinkLike();
}

LRESULT CALLBACK Form1::Label2Procedure(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR form)
{
    Form1& self = *reinterpret_cast<Form1*>(form);
    const auto* key = message == WM_GETDLGCODE ? reinterpret_cast<const MSG*>(lParam) : nullptr;
    switch (message) {
    case WM_GETDLGCODE:
        // Enter opens the link rather than pressing a button.
        if (self.label2IsLink_ && key != nullptr && key->message == WM_KEYDOWN &&
            (key->wParam == VK_RETURN || key->wParam == VK_SPACE)) {
            return DLGC_WANTMESSAGE;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_SPACE) {
            self.Label2_Click();
            return 0;
        }
        break;
    case WM_GETOBJECT:
        if (self.label2IsLink_ && static_cast<LONG>(lParam) == OBJID_CLIENT) {
            return LinkLineObject(label, wParam);
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(label, nullptr, TRUE); break;
    case WM_PAINT: {
        const LRESULT painted = DefSubclassProc(label, message, wParam, lParam);
        if (GetFocus() == label) {
            // In the link's own colour, which reads on the face: the system's dotted
            // frame hardly shows.
            RECT area{};
            GetClientRect(label, &area);
            HDC context = GetDC(label);
            HBRUSH frame = CreateSolidBrush(self.Label2Colour());
            FrameRect(context, &area, frame);
            DeleteObject(frame);
            ReleaseDC(label, context);
        }
        return painted;
    }
    case WM_SETTEXT: {
        // A new status line is read out, as a live region's change, without moving the focus.
        const LRESULT set = DefSubclassProc(label, message, wParam, lParam);
        if (!self.label2IsLink_) {
            NotifyWinEvent(kLiveRegionChanged, label, OBJID_CLIENT, CHILDID_SELF);
        }
        return set;
    }
    default: break;
    }
    return DefSubclassProc(label, message, wParam, lParam);
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
        SetTextColor(context, control == Label2_   ? Label2Colour()
                              : control == Label3_ ? ReadableOnFace(form::kDotsColour, COLOR_BTNTEXT)
                                                   : GetSysColor(COLOR_BTNTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == Label2_ && label2IsLink_) {
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // IDC_HAND
            return TRUE;
        }
        break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
        // A scheme chosen while the window is open: the list learns it, all repaints.
        SendMessageW(List1_, message, wParam, lParam);
        UnderlineLinkLike();
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
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
