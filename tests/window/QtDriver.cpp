// The window cases' driver for the Qt window, offscreen: a timer answers the modal
// dialog or box that shows.
#include "WindowDriver.h"
#include "ui/shared/FormTexts.h"

#include <QAccessible>
#include <QItemSelectionModel>
#include <QApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <utility>

namespace leitzahl::test {

namespace {

// Receives the addresses the window asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    UrlCatcher() { QDesktopServices::setUrlHandler("https", this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler("https"); }
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

QPalette lightPalette;  // the platform's own, as the application starts
// Runs in whatever event loop turns: a dialog's own once it shows.
void AnswerDialog()
{
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) {
        return;
    }
    auto* files = qobject_cast<QFileDialog*>(dialog);
    auto* box = qobject_cast<QMessageBox*>(dialog);
    const int icon = box != nullptr ? box->icon() : QMessageBox::NoIcon;
    Seen seen{dialog->windowTitle().toStdString(), box != nullptr ? box->text().toStdString() : "",
              files != nullptr ? files->directory().absolutePath().toStdString() : "",
              icon == QMessageBox::Critical ? Icon::Error : icon == QMessageBox::Warning ? Icon::Warning : Icon::None};
    const QStringList filters = files != nullptr ? files->nameFilters() : QStringList();
    for (const QString& filter : filters) {
        seen.filters.push_back(filter.left(filter.indexOf(" (")).toStdString());
    }
    seen.filter = files != nullptr ? static_cast<int>(filters.indexOf(files->selectedNameFilter())) : -1;
    std::optional<std::string> answer = NextAnswer(seen);
    if (files != nullptr && answer && answer->starts_with(kSecondFilter)) {
        files->selectNameFilter(filters.value(1));
        answer->erase(0, 1);
    }
    // Qt's own dialogs speak German whatever the locale (Prepare sets an English one).
    EXPECT_TRUE(files == nullptr || std::ranges::any_of(dialog->findChildren<QPushButton*>(), [](QPushButton* button) {
                    return button->text() == "Abbrechen";
                }));
    if (files != nullptr && answer && !answer->empty()) {
        // Typed, as selectFile() takes a path into a missing folder for a relative one.
        files->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(*answer));
        dialog->accept();  // QFileDialog::accept, reached through the public base
    } else {
        dialog->reject();
    }
}

// Ends the application after the last test, while Qt is still whole, so that what it
// holds (fonts) is handed back.
class EndApplication : public testing::Environment {
public:
    void TearDown() override { delete qApp; }
};
testing::Environment* const endApplication = testing::AddGlobalTestEnvironment(new EndApplication);

}  // namespace

bool WindowDriver::Prepare()
{
    static int argc = 1;
    static char name[] = "leitzahl_window_tests";
    static char* argv[] = {name, nullptr};
    if (qApp == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        InstallGermanTranslations();
        lightPalette = QApplication::palette();
        auto* answer = new QTimer(qApp);
        QObject::connect(answer, &QTimer::timeout, AnswerDialog);
        answer->start(1);
    }
    return true;
}

WindowDriver::WindowDriver()
{
    form.setEndProgram([this] { ends.push_back(shown().label2); });
    form.show();
    QApplication::setActiveWindow(&form);
    // A timer of its own: Qt does not run a timer again while it runs, and the action
    // may wait for a dialog that the other one answers.
    auto* poll = new QTimer(&form);
    QObject::connect(poll, &QTimer::timeout, [this] {
        if (whenListHidden && form.findChild<QListView*>("List1")->isHidden()) {
            std::exchange(whenListHidden, nullptr)();
        }
    });
    poll->start(1);
}

WindowDriver::~WindowDriver() = default;

void WindowDriver::useScheme(Scheme scheme)
{
    QPalette palette = lightPalette;
    if (scheme != Scheme::Light) {
        const QColor face = scheme == Scheme::Dark ? QColor(0x35, 0x35, 0x35) : QColor(Qt::black);
        palette = QPalette(face, face);  // white texts
        palette.setColor(QPalette::Link, scheme == Scheme::Dark ? QColor(0x1b, 0x6a, 0xcb) : QColor(Qt::yellow));
    }
    if (scheme == Scheme::Grey) {
        palette = QPalette(QColor(85, 85, 85), QColor(85, 85, 85));
        palette.setColor(QPalette::WindowText, QColor(120, 120, 120));
        palette.setColor(QPalette::Link, QColor(100, 100, 140));
    }
    QApplication::setPalette(palette);
    QCoreApplication::sendPostedEvents();  // as the event loop hands the change to the window
}

std::pair<leitzahl::form::Colour, leitzahl::form::Colour> WindowDriver::colours(const std::string& label) const
{
    const QColor text = form.findChild<QLabel*>(QString::fromStdString(label))->palette().color(QPalette::WindowText);
    const QColor background = form.palette().color(QPalette::Window);
    return {{text.red(), text.green(), text.blue()}, {background.red(), background.green(), background.blue()}};
}

bool WindowDriver::tabGoesTo(const std::string& from, const std::string& to)
{
    auto* control = form.findChild<QWidget*>(QString::fromStdString(from));
    control->setFocus();
    QTest::keyClick(control, Qt::Key_Tab);
    return QApplication::focusWidget()->objectName().toStdString() == to;
}

int WindowDriver::press(bool enter)
{
    UrlCatcher catcher;
    QTest::keyClick(QApplication::focusWidget(), enter ? Qt::Key_Return : Qt::Key_Space);
    return static_cast<int>(catcher.opened.size());
}

Heard WindowDriver::accessible(const std::string& control) const
{
    QObject* object = control == "Form1" ? static_cast<QObject*>(const_cast<Form1*>(&form))
                                         : form.findChild<QWidget*>(QString::fromStdString(control));
    QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(object);
    const QAccessible::Role role = heard->role();
    QAccessibleActionInterface* actions = heard->actionInterface();
    const QStringList names = actions != nullptr ? actions->actionNames() : QStringList();
    return {heard->text(QAccessible::Name).toStdString(),
            role == QAccessible::Link           ? "link"
            : role == QAccessible::Window       ? "frame"
            : role == QAccessible::Notification ? "status line"
                                                : "other",
            !heard->state().invisible, names.contains(QAccessibleActionInterface::pressAction()) ? "Press" : ""};
}

int WindowDriver::activate(const std::string& control)
{
    UrlCatcher catcher;
    QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(form.findChild<QWidget*>(QString::fromStdString(control)));
    heard->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    return static_cast<int>(catcher.opened.size());
}

std::pair<std::string, bool> WindowDriver::currentEntry() const
{
    auto* list = form.findChild<QListView*>("List1");
    const QModelIndex current = list->currentIndex();
    return {current.data().toString().toStdString(), list->selectionModel()->isSelected(current)};
}

void WindowDriver::down()
{
    QTest::keyClick(form.findChild<QListView*>("List1"), Qt::Key_Down);
}

std::string WindowDriver::focused() const
{
    return QApplication::focusWidget() != nullptr ? QApplication::focusWidget()->objectName().toStdString() : "";
}

std::optional<Told> WindowDriver::told()
{
    return std::nullopt;
}

std::vector<leitzahl::form::Colour> WindowDriver::focusFrame()
{
    const QImage frame = form.findChild<QLabel*>("Label2")->grab().toImage();
    std::vector<leitzahl::form::Colour> side;
    for (int y = 0; y < frame.height(); ++y) {
        const QColor pixel = frame.pixelColor(0, y);
        side.push_back({pixel.red(), pixel.green(), pixel.blue()});
    }
    return side;
}

bool WindowDriver::underlined(const std::string& label) const
{
    return form.findChild<QLabel*>(QString::fromStdString(label))->font().underline();
}

std::vector<Seen> WindowDriver::drop(const std::vector<std::string>& paths, const std::vector<std::string>& answers)
{
    QList<QUrl> urls;
    for (const std::string& path : paths) {
        urls << QUrl::fromLocalFile(QString::fromStdString(path));
    }
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    return Answering(answers, [&] { QApplication::sendEvent(&form, &drop); });
}

void WindowDriver::closeBox()
{
    form.close();
}

Shown WindowDriver::shown() const
{
    auto* label2 = form.findChild<QLabel*>("Label2");
    auto* list = form.findChild<QListView*>("List1");
    // A link opens the download page when clicked.
    UrlCatcher catcher;
    QTest::mouseClick(label2, Qt::LeftButton);
    Shown shown{form.windowTitle().toStdString(), label2->text().toStdString(),
                form.findChild<QLabel*>("Label3")->text().toStdString(),
                label2->palette().color(QPalette::WindowText) == QColor(Qt::blue) &&
                    catcher.opened == QList<QUrl>{QUrl(leitzahl::form::kDownloadAddress)},
                form.findChild<QPushButton*>("Command1_1")->isEnabled(), !list->isHidden(), {}};
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        shown.rows.push_back(list->model()->index(row, 0).data().toString().toStdString());
    }
    return shown;
}

std::string WindowDriver::programFolder() const
{
    return QCoreApplication::applicationDirPath().toStdString();
}

}  // namespace leitzahl::test

#include "QtDriver.moc"
