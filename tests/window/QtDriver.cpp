// The window cases' driver for the Qt window, offscreen: a timer answers each modal
// dialog or box while it shows.
#include "WindowDriver.h"
#include "ui/qt/Form1.h"
#include "ui/shared/FormTexts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <deque>
#include <gtest/gtest.h>

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

// The answers of the innermost step that runs: a step run inside another one gets
// the dialogs opened meanwhile.
struct Answers {
    std::deque<Answer> left;
    int unexpected = 0;
};
std::vector<Answers*> steps;

void AnswerOne(QDialog* dialog)
{
    auto* files = qobject_cast<QFileDialog*>(dialog);
    auto* box = qobject_cast<QMessageBox*>(dialog);
    if (steps.back()->left.empty()) {
        ++steps.back()->unexpected;
        dialog->reject();
        return;
    }
    const Answer answer = steps.back()->left.front();
    steps.back()->left.pop_front();
    if (answer.seen != nullptr) {
        answer.seen->title = dialog->windowTitle().toStdString();
        answer.seen->folder = files != nullptr ? files->directory().absolutePath().toStdString() : "";
        answer.seen->text = box != nullptr ? box->text().toStdString() : "";
        const int icon = box != nullptr ? box->icon() : QMessageBox::NoIcon;
        answer.seen->icon = icon == QMessageBox::Critical  ? Icon::Error
                            : icon == QMessageBox::Warning ? Icon::Warning
                                                           : Icon::None;
    }
    if (files != nullptr && !answer.choose.empty()) {
        files->selectFile(QString::fromStdString(answer.choose));
        dialog->accept();  // QFileDialog::accept, reached through the public base
    } else {
        dialog->reject();
    }
}

void Answering(const std::vector<Answer>& answers, const std::function<void()>& step)
{
    Answers mine{{answers.begin(), answers.end()}};
    steps.push_back(&mine);
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()); dialog && dialog->isVisible()) {
            AnswerOne(dialog);
        }
    });
    answer.start(1);
    step();
    steps.pop_back();
    EXPECT_TRUE(mine.left.empty()) << mine.left.size() << " dialogs did not show";
    EXPECT_EQ(mine.unexpected, 0);
}

QApplication* OffscreenApplication()
{
    static int argc = 1;
    static char name[] = "leitzahl_window_tests";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The headless platform warns of every fixed-size window; that is no fault.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        if (!message.contains("propagateSizeHints")) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
        }
    });
    static QApplication application(argc, argv);
    InstallGermanTranslations();
    return &application;
}

}  // namespace

struct WindowDriver::Window {
    QApplication* application = qApp != nullptr ? qApp : OffscreenApplication();
    Form1 form;

    template <typename Widget>
    Widget* child(const QString& name) const
    {
        return form.findChild<Widget*>(name);
    }
};

WindowDriver::WindowDriver() : window_(std::make_unique<Window>())
{
    window_->form.setEndProgram([this] { ends.push_back(shown().label2); });
    window_->form.show();
    QApplication::setActiveWindow(&window_->form);
}

WindowDriver::~WindowDriver() = default;

void WindowDriver::click(int index, const std::vector<Answer>& answers)
{
    Answering(answers, [&] { window_->child<QPushButton>(QString("Command1_%1").arg(index))->click(); });
}

void WindowDriver::handOver(const std::string& path, const std::vector<Answer>& answers)
{
    Answering(answers, [&] { window_->form.OpenHandedOverFile(QString::fromStdString(path)); });
}

void WindowDriver::drop(const std::vector<std::string>& paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& path : paths) {
        urls << QUrl::fromLocalFile(QString::fromStdString(path));
    }
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window_->form, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    Answering({}, [&] { QApplication::sendEvent(&window_->form, &drop); });
}

void WindowDriver::tick()
{
    window_->form.Timer1_Timer();
}

void WindowDriver::closeBox()
{
    window_->form.close();
}

void WindowDriver::whenListHidden(std::function<void()> action)
{
    auto* poll = new QTimer(&window_->form);
    QObject::connect(poll, &QTimer::timeout, &window_->form, [this, poll, action = std::move(action)] {
        if (!shown().listShown) {
            poll->stop();
            poll->deleteLater();
            action();
        }
    });
    poll->start(1);
}

void WindowDriver::append(const std::string& entry)
{
    window_->form.entries().append(entry);
}

Shown WindowDriver::shown() const
{
    auto* label2 = window_->child<QLabel>("Label2");
    // A link opens the download page when clicked.
    UrlCatcher catcher;
    QTest::mouseClick(label2, Qt::LeftButton);
    Shown shown{window_->form.windowTitle().toStdString(), label2->text().toStdString(),
                window_->child<QLabel>("Label3")->text().toStdString(),
                label2->palette().color(QPalette::WindowText) == QColor(Qt::blue) &&
                    catcher.opened == QList<QUrl>{QUrl(form::kDownloadAddress)},
                window_->child<QPushButton>("Command1_1")->isEnabled(),
                !window_->child<QListView>("List1")->isHidden(), {}};
    const QAbstractItemModel* model = window_->child<QListView>("List1")->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        shown.rows.push_back(model->index(row, 0).data().toString().toStdString());
    }
    return shown;
}

std::string WindowDriver::programFolder() const
{
    return QCoreApplication::applicationDirPath().toStdString();
}

}  // namespace leitzahl::test

#include "QtDriver.moc"
