#include "ModalHandler.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace leitzahl::test {

ModalHandler::ModalHandler(std::initializer_list<Handler> handlers) : previous_(newest_), handlers_(handlers)
{
    newest_ = this;
    qApp->installEventFilter(this);
}

ModalHandler::~ModalHandler()
{
    qApp->removeEventFilter(this);
    newest_ = previous_;
}

bool ModalHandler::eventFilter(QObject* watched, QEvent* event)
{
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (this == newest_ && event->type() == QEvent::Show && dialog != nullptr && dialog->isModal()) {
        // Queued, so that the dialog's own event loop is running when it is closed.
        QTimer::singleShot(0, this, [this, guarded = QPointer<QDialog>(dialog)] {
            if (guarded == nullptr) {
                return;
            }
            if (handlers_.empty()) {
                ++unexpected_;
                guarded->reject();
                return;
            }
            Handler handler = std::move(handlers_.front());
            handlers_.pop_front();
            ++handled_;
            handler(guarded);
        });
    }
    return QObject::eventFilter(watched, event);
}

ModalHandler::Handler ChooseFile(const QString& path)
{
    return [path](QDialog* dialog) {
        if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            files->selectFile(path);
            dialog->accept();  // QFileDialog::accept, reached through the public base
        } else {
            dialog->reject();
        }
    };
}

ModalHandler::Handler Cancel()
{
    return [](QDialog* dialog) { dialog->reject(); };
}

ModalHandler::Handler Record(DialogSeen& seen, ModalHandler::Handler then)
{
    return [&seen, then = std::move(then)](QDialog* dialog) {
        seen.title = dialog->windowTitle();
        if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            seen.folder = files->directory().absolutePath();
        }
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            seen.text = box->text();
            seen.icon = box->icon();
        }
        then(dialog);
    };
}

}  // namespace leitzahl::test
