#include "ui/qt/Tamsel_Dialog.h"

#include <QFileDialog>

namespace leitzahl {

namespace {

QString ShowFileDialog(QWidget* owner, const QString& initialFolder, const QString& title,
                       const QString& filter, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(owner, title, initialFolder, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The desktop's own dialog where the platform theme or the portal offers one, with
    // its bookmarks and recent files; Qt's own elsewhere. Neither asks before replacing.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString ShowOpenDialog(QWidget* owner, const QString& initialFolder, const QString& title,
                       const QString& filter)
{
    return ShowFileDialog(owner, initialFolder, title, filter, QFileDialog::AcceptOpen);
}

QString ShowSaveDialog(QWidget* owner, const QString& initialFolder, const QString& title,
                       const QString& filter)
{
    return ShowFileDialog(owner, initialFolder, title, filter, QFileDialog::AcceptSave);
}

}  // namespace leitzahl
