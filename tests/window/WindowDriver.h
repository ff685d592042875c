#pragma once

// One Form1 driven through the same calls on either window system, so that one set of
// cases runs against the Qt window and against the Win32 window under Wine.

#ifdef _WIN32
#include "ui/win32/Form1.h"
#else
#include "ui/qt/Form1.h"
#endif

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace leitzahl::test {

enum class Icon { None, Error, Warning };

// What a file dialog or a message box showed.
struct Seen {
    std::string title;
    std::string text;    // of a message box
    std::string folder;  // a file dialog's start folder
    Icon icon = Icon::None;
};

// The answer to one dialog or box: the file to choose, or none to cancel a dialog
// (a message box is confirmed); what showed is noted in seen, where given.
struct Answer {
    std::string choose;
    Seen* seen = nullptr;
};

// What the window shows.
struct Shown {
    std::string caption;
    std::string label2;
    std::string label3;
    bool label2IsLink = false;  // its colour, and what else the window system shows of a link
    bool saveEnabled = false;
    bool listShown = false;
    std::vector<std::string> rows;
    bool operator==(const Shown&) const = default;
};
void PrintTo(const Shown& shown, std::ostream* out);

// Runs step; each dialog or box that opens meanwhile takes the next of the answers.
// Fails the test if an answer is left or another dialog showed.
void Answering(const std::vector<Answer>& answers, const std::function<void()>& step);
// For a dialog that shows: the next answer of the innermost step that runs, or none.
std::optional<Answer> NextAnswer();

// Form1 with what the cases need beyond its own handlers (Command1_Click, Timer1_Timer,
// entries()).
class WindowDriver {
public:
    WindowDriver();
    ~WindowDriver();

    void click(int index, const std::vector<Answer>& answers = {})
    {
        Answering(answers, [&] { form.Command1_Click(index); });
    }
    void handOver(const std::string& path, const std::vector<Answer>& answers = {});  // as on the command line
    void drop(const std::vector<std::string>& paths);
    void closeBox();

    Shown shown() const;
    std::string programFolder() const;

    bool ready = Prepare();  // the window system, before the window
    Form1 form;
    std::vector<std::string> ends;  // Label2's text at each end of the program
    // Runs once, at the first event the window handles while the list is hidden.
    std::function<void()> whenListHidden;

private:
    static bool Prepare();
};

}  // namespace leitzahl::test
