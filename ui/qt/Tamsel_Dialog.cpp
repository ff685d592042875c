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
    // Qt's own dialog behaves the same on every desktop, and asks nothing extra.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
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
