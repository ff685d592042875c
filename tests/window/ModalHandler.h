#pragma once

#include <QDialog>
#include <QObject>
#include <deque>
#include <functional>

namespace leitzahl::test {

// Handles modal dialogs the moment they show, in the order they come: each handler
// fills in and closes one dialog. A dialog with no handler left is rejected and
// counted, so that a failing test reports instead of hanging.
class ModalHandler final : public QObject {
public:
    using Handler = std::function<void(QDialog*)>;

    explicit ModalHandler(std::initializer_list<Handler> handlers);
    ~ModalHandler() override;

    int handled() const { return handled_; }
    int unexpected() const { return unexpected_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Only the newest handler acts, so that a command run inside another one
    // gets its dialogs from the handler made for it.
    static inline ModalHandler* newest_ = nullptr;
    ModalHandler* previous_ = nullptr;
    std::deque<Handler> handlers_;
    int handled_ = 0;
    int unexpected_ = 0;
};

// Handlers for the common cases.
ModalHandler::Handler ChooseFile(const QString& path);
ModalHandler::Handler Cancel();

// What a handler saw of a file dialog or a message box.
struct DialogSeen {
    QString title;
    QString text;        // message box text
    QString folder;      // file dialog start folder
    int icon = 0;        // message box icon
};
ModalHandler::Handler Record(DialogSeen& seen, ModalHandler::Handler then);

}  // namespace leitzahl::test
