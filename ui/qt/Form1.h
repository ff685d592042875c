#pragma once
// The Qt window Form1 and its handlers.

#include "ui/qt/EntryListModel.h"

#include <QTimer>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>

class QLabel;
class QListView;
class QPushButton;

namespace leitzahl {

// The program's only window: three command buttons, the entry list, the status and
// link line, and the please-wait texts that show while the list is hidden.
class Form1 final : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);

    // What the end command does; tests replace it so that the test keeps running.
    void setEndProgram(std::function<void()> endProgram) { endProgram_ = std::move(endProgram); }

    EntryListModel& entries() { return entries_; }

    // The open command from the point where a file has been chosen.
    void OpenPath(const QString& path);
    // A file named on the command line or dropped on the window, which may be named
    // relative to the current folder.
    void OpenHandedOverFile(const QString& path);

public slots:
    void Command1_Click(int index);
    void Timer1_Timer();
    void Label2_Click();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void Form_Load();
    void OpenCommand();
    void SaveCommand();
    void ProcessEvents();
    void ShowError(int number, const QString& description);
    void ShowMessage(int icon, const QString& title, const QString& text);
    void SetLabel2Black();
    void SetStatusLine(const QString& text);
    void ShowList(bool shown);
    void TellCurrentEntry();
    void PaintInSchemeColours();

    EntryListModel entries_;
    std::array<QPushButton*, 3> Command1_{};
    QListView* List1_ = nullptr;
    QLabel* Label1_ = nullptr;
    QLabel* Label2_ = nullptr;
    QLabel* Label3_ = nullptr;
    QTimer Timer1_;
    bool label2IsLink_ = true;
    std::function<void()> endProgram_;
    std::chrono::steady_clock::time_point eventsProcessed_;
};

// The folder the open dialog starts in: the program's own, or, for an installed
// program in PREFIX/bin, PREFIX/share/leitzahl, which holds the sample file.
QString ProgramFilesFolder();

// Qt's own dialogs and buttons in German, whatever the user's locale.
void InstallGermanTranslations();

}  // namespace leitzahl
