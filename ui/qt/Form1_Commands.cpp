// The Qt window's command handlers: open, save and end.
#include "ui/qt/Form1.h"

#include "core/StatusTexts.h"
#include "core/modCsvExport.h"
#include "core/modFileToTextBox.h"
#include "core/modSortCodeImport.h"
#include "core/modWorkbookExport.h"
#include "ui/qt/Tamsel_Dialog.h"
#include "ui/shared/FormTexts.h"
#include "ui/shared/OpenCommand.h"

#include <QFile>
#include <QLabel>
#include <QItemSelectionModel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>

namespace leitzahl {

namespace {

std::string ToBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString FromBytes(const std::string& text)
{
    return QString::fromStdString(text);
}

// Qt separates a filter's patterns with spaces.
QString FilterText(const char* name, const char* pattern)
{
    return QString::fromUtf8(name) + " (" + QString::fromUtf8(pattern).replace(';', ' ') + ")";
}

}  // namespace

void Form1::Command1_Click(int index)
{
    switch (index) {
    case 0: OpenCommand(); break;
    case 1: SaveCommand(); break;
    case 2:
        hide();
        endProgram_();
        break;
    default: break;
    }
}

void Form1::OpenCommand()
{
    OpenPath(ShowOpenDialog(this, ProgramFilesFolder(), QString::fromUtf8(form::kOpenTitle),
                            FilterText(form::kOpenFilterName, form::kOpenFilterPattern) + ";;" +
                                FilterText(form::kOpenAllFormsName, form::kOpenAllFormsPattern)));
}

void Form1::OpenPath(const QString& path)
{
    const QStringList pieces = path.split('/');
    const QString fileName = pieces.size() - 1 > 0 ? pieces.last() : QString();
    const QString folder = path.left(path.size() - fileName.size());
    if (fileName.isEmpty()) {
        return;
    }

    entries_.clear();
    ShowList(false);
    // Saving now would write the entries before their duplicates are removed; the
    // timer enables the button again once the list shows.
    Command1_[1]->setEnabled(false);
    repaint();

    const std::string fullPath = ToBytes(folder + fileName);
    entries_.holdAppended();
    const OpenOutcome outcome = ImportAndRemoveDuplicates(fullPath, entries_, [this] { ProcessEvents(); });
    entries_.showAsUtf8(outcome.utf8);
    entries_.releaseAppended();
    if (outcome.failure) {
        // Nothing of a file that could not be read in full is shown; the list is back
        // before the box, so that no dots grow behind it.
        EmptyFileText();
        entries_.clear();
        ShowList(true);
        ShowError(outcome.failure->number, FromBytes(outcome.failure->description));
        return;
    }

    ShowList(true);
    if (entries_.count() > 0) {
        // The first entry is the one a screen reader reads when the list gets the focus,
        // and Down goes on to the second; it is not selected.
        List1_->selectionModel()->setCurrentIndex(entries_.index(0), QItemSelectionModel::NoUpdate);
    }
    SetLabel2Black();
    SetStatusLine(FromBytes(EntriesInFileText(outcome.imported.entriesRead, fullPath)) + "\r\n" +
                  FromBytes(EntriesKeptText(outcome.imported.entriesRead, entries_.count())));
    EmptyFileText();
    if (!outcome.warning.empty()) {
        ShowMessage(QMessageBox::Warning, QString::fromUtf8(form::kWarningTitle), FromBytes(outcome.warning));
    }
}

void Form1::SaveCommand()
{
    if (MaybeFailure failure = BuildExportText(entries_)) {
        ShowError(failure->number, FromBytes(failure->description));
        return;
    }
    int filter = 0;
    const QString name = ShowSaveDialog(this, QString(), QString::fromUtf8(form::kSaveTitle),
                                        FilterText(form::kSaveFilterName, form::kSavePattern) + ";;" +
                                            FilterText(form::kSaveWorkbookName, form::kSaveWorkbookPattern),
                                        &filter);
    if (name.isEmpty()) {
        return;
    }
    const ExportResult written = WriteExportFile(filter == 1 ? NameUnderWorkbookFilter(ToBytes(name)) : ToBytes(name));
    if (written.failure) {
        ShowError(written.failure->number, FromBytes(written.failure->description));
        return;
    }
    EmptyFileText();
    entries_.clear();
    SetStatusLine(FromBytes(SavedToText(written.finalName)));
}

void Form1::ShowError(int number, const QString& description)
{
    ShowMessage(QMessageBox::Critical, QString::number(number), description);
}

void Form1::ShowMessage(int icon, const QString& title, const QString& text)
{
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), title, text, QMessageBox::Ok, this);
    box.exec();
}

}  // namespace leitzahl
