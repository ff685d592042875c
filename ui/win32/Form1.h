#pragma once
// The Win32 window Form1 and its handlers.

#include "ui/win32/EntryListView.h"

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <windows.h>

namespace leitzahl {

// The program's only window, in plain Win32: three command buttons, the entry list,
// the status and link line, and the please-wait texts that show while the list is hidden.
class Form1 {
public:
    // Creates the window (hidden) and runs Form_Load.
    explicit Form1(HINSTANCE instance);
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // The controls' identifiers; Command1's index is added to the first.
    enum ControlId : int { kCommand1Id = 100, kList1Id = 200, kLabel1Id = 301, kLabel2Id = 302, kLabel3Id = 303 };

    HWND handle() const { return hwnd_; }
    EntryListView& entries() { return entries_; }

    // What the end command and the close box do; tests replace it so that the test
    // keeps running.
    void setEndProgram(std::function<void()> endProgram) { endProgram_ = std::move(endProgram); }
    // What the link does; tests replace it so that no browser starts.
    void setOpenPage(std::function<void()> openPage) { openPage_ = std::move(openPage); }

    // The open command from the point where a file has been chosen.
    void OpenPath(const std::string& path);
    // A file named on the command line or dropped on the window, which may be named
    // relative to the current folder.
    void OpenHandedOverFile(const std::string& path);

    void Command1_Click(int index);
    void Timer1_Timer();
    void Label2_Click();

private:
    static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // The link line's keys, focus frame and announced changes.
    static LRESULT CALLBACK Label2Procedure(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR form);

    void CreateControls();
    void Form_Load();
    void OpenCommand();
    void SaveCommand();
    void ProcessEvents();
    void ShowMessage(const std::string& text, const std::string& title, UINT icon);
    void SetLabel2Black();
    void ShowList(bool shown);
    COLORREF Label2Colour() const;
    void UnderlineLinkLike();
    void DropFiles(HDROP drop);
    int Scaled(int pixels) const;
    std::string ProgramFolder() const;

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    std::array<HWND, 3> Command1_{};
    HWND List1_ = nullptr;
    HWND Label1_ = nullptr;
    HWND Label2_ = nullptr;
    HWND Label3_ = nullptr;
    HFONT dialogFont_ = nullptr;
    HFONT label1Font_ = nullptr;
    HFONT label3Font_ = nullptr;
    HFONT linkFont_ = nullptr;
    bool label2IsLink_ = true;
    bool comReady_ = false;
    UINT dpi_ = 96;
    EntryListView entries_;
    std::function<void()> endProgram_;
    std::function<void()> openPage_;
    std::chrono::steady_clock::time_point eventsProcessed_;
};

// Runs the window's messages, and the dialog keys (Tab, access keys), until it ends.
int RunMessageLoop(const Form1& form);

}  // namespace leitzahl
