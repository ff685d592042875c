#pragma once
// The Qt window's open and save dialogs.

#include <QString>

class QWidget;

namespace leitzahl {

// Each asks the user for a file and gives back its full path, or an empty text
// when the user cancelled. The filter is a description and a pattern, e.g.
// "Textdateien (*.txt)".

// Qt's own dialog accepts names of files that do not exist; a desktop's dialog may
// insist on one that does.
QString ShowOpenDialog(QWidget* owner, const QString& initialFolder, const QString& title,
                       const QString& filter);

// Neither asks before replacing a file nor adds an extension. An empty initial
// folder leaves the choice to the dialog. Several filters are separated by ";;", the
// first chosen at the start; chosenFilter gives back the one chosen at the end.
QString ShowSaveDialog(QWidget* owner, const QString& initialFolder, const QString& title,
                       const QString& filter, int* chosenFilter = nullptr);

}  // namespace leitzahl
