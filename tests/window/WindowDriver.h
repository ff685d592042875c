#pragma once

// One Form1 driven through the same calls on either window system, so that one set of
// cases runs against the Qt window and against the Win32 window under Wine.

#ifdef _WIN32
#include "ui/win32/Form1.h"
#else
#include "ui/qt/Form1.h"
#endif

#include "ui/shared/FormTexts.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace leitzahl::test {

enum class Icon { None, Error, Warning };

inline constexpr char kSecondFilter[] = "\x01";

// What a file dialog or a message box showed.
struct Seen {
    std::string title;
    std::string text;    // of a message box
    std::string folder;  // a file dialog's start folder
    Icon icon = Icon::None;
    // A file dialog's filters by their descriptions, and the one chosen as it showed.
    std::vector<std::string> filters{};
    int filter = -1;
};

// An answer that chooses the file dialog's second filter before it gives the name.
inline std::string UnderSecondFilter(const std::string& path)
{
    return kSecondFilter + path;
}

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

// The colours a user may choose: the usual light ones, a dark style, a high-contrast theme
// (black face, white text, yellow links), and a grey one where neither text nor link reads.
enum class Scheme { Light, Dark, HighContrast, Grey };

// What a screen reader learns of a control.
struct Heard {
    std::string name;
    std::optional<std::string> role;  // "link", "frame", "status line", "other"; unknown where the
                                      // system gives no role of its own (Wine)
    bool showing = false;
    std::string action;  // what activating it is called, "" for nothing
};

// What screen readers were told since the last look: how often the status line was
// announced, and the control the focus was told on last ("List1#0" for the list's first entry).
struct Told {
    int statusLine = 0;
    std::string focus;
    bool operator==(const Told&) const = default;
};

// Runs step; each dialog or box that opens meanwhile takes the next of the answers: the
// file to choose, or "" to cancel a dialog (a message box is confirmed). Returns what each
// showed, one per answer. Fails the test if an answer is left or another dialog showed.
std::vector<Seen> Answering(const std::vector<std::string>& answers, const std::function<void()>& step);
// For a dialog that shows, noting what it shows: the next answer of the innermost step
// that runs, or none.
std::optional<std::string> NextAnswer(const Seen& seen);

// Form1 with what the cases need beyond its own handlers (Command1_Click, Timer1_Timer,
// entries()).
class WindowDriver {
public:
    WindowDriver();
    ~WindowDriver();

    std::vector<Seen> click(int index, const std::vector<std::string>& answers = {})
    {
        return Answering(answers, [&] { form.Command1_Click(index); });
    }
    // As on the command line.
    std::vector<Seen> handOver(const std::string& path, const std::vector<std::string>& answers = {})
    {
        return Answering(answers, [&] { form.OpenHandedOverFile(path.c_str()); });
    }
    std::vector<Seen> drop(const std::vector<std::string>& paths, const std::vector<std::string>& answers = {});
    void closeBox();

    Shown shown() const;
    std::string programFolder() const;

    // Gives the window system a scheme's colours, as when the user picks one while the
    // window is open.
    void useScheme(Scheme scheme);
    // The colours a label paints with: text, background. Controls go by their object names.
    std::pair<form::Colour, form::Colour> colours(const std::string& label) const;
    // Tab on one control: whether the focus goes to the other.
    bool tabGoesTo(const std::string& from, const std::string& to);
    // Enter (else Space) on the control with the focus: how often the download page opened.
    int press(bool enter);
    // What a screen reader reads of a control ("Form1" for the window).
    Heard accessible(const std::string& control) const;
    // Activates the control as a screen reader does: how often the download page opened.
    int activate(const std::string& control);
    // The list's current entry ("" for none) and whether it is selected.
    std::pair<std::string, bool> currentEntry() const;
    // Down on the list, which has the focus.
    void down();
    // The control with the focus.
    std::string focused() const;
    // What screen readers were told since the last call; unknown where no screen reader
    // could listen (Qt offscreen, which has no accessibility bridge: the Orca test listens).
    std::optional<Told> told();
    // The colours of the frame around the link line while it has the focus: its left
    // side, top to bottom.
    std::vector<form::Colour> focusFrame();
    // Whether the label's text is underlined.
    bool underlined(const std::string& label) const;

    bool ready = Prepare();  // the window system, before the window
    Form1 form;
    std::vector<std::string> ends;  // Label2's text at each end of the program
    // Runs once, at the first event the window handles while the list is hidden.
    std::function<void()> whenListHidden;

private:
    static bool Prepare();
};

}  // namespace leitzahl::test
