#pragma once

// One Form1 driven through the same calls on either window system, so that one set of
// cases runs against the Qt window and against the Win32 window under Wine.

#include <functional>
#include <memory>
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

class WindowDriver {
public:
    WindowDriver();
    ~WindowDriver();
    WindowDriver(const WindowDriver&) = delete;
    WindowDriver& operator=(const WindowDriver&) = delete;

    // Runs a command with each dialog or box that opens meanwhile answered by the next
    // answer; fails the test if an answer is left or another dialog showed.
    void click(int index, const std::vector<Answer>& answers = {});
    void handOver(const std::string& path, const std::vector<Answer>& answers = {});  // as on the command line
    void drop(const std::vector<std::string>& paths);
    void tick();
    void closeBox();
    // Runs action once, at the first event the window handles while the list is hidden.
    void whenListHidden(std::function<void()> action);
    void append(const std::string& entry);

    Shown shown() const;
    std::string programFolder() const;
    std::vector<std::string> ends;  // Label2's text at each end of the program

private:
    struct Window;
    std::unique_ptr<Window> window_;
};

}  // namespace leitzahl::test
