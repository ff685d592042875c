#include "ui/qt/Tamsel_Dialog.h"

#include <QFileDialog>

namespace leitzahl {

namespace {

QString ShowFileDialog(QWidget* owner, const QString& initialFolder, const QString& title,
                       const QString& filter, QFileDialog::AcceptMode mode, int* chosenFilter)
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
    if (chosenFilter != nullptr) {
        *chosenFilter = static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter()));
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString ShowOpenDialog(QWidget* owner, const QString& initialFolder, const QString& title,
                       const QString& filter)
{
    return ShowFileDialog(owner, initialFolder, title, filter, QFileDialog::AcceptOpen, nullptr);
}

QString ShowSaveDialog(QWidget* owner, const QString& initialFolder, const QString& title,
                       const QString& filter, int* chosenFilter)
{
    return ShowFileDialog(owner, initialFolder, title, filter, QFileDialog::AcceptSave, chosenFilter);
}

}  // namespace leitzahl
