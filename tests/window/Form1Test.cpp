#include "ModalHandler.h"
#include "TestFiles.h"
#include "core/modFileToTextBox.h"
#include "ui/qt/Form1.h"
#include "ui/shared/FormTexts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace leitzahl {
namespace {

using test::Cancel;
using test::ChooseFile;
using test::DialogSeen;
using test::ModalHandler;
using test::Record;

const QString kStartText = "Laden Sie die aktuelle BLZ-Textdatei unter\r\n" + QString(form::kDownloadAddress);

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

class Form1Test : public testing::Test {
protected:
    Form1Test()
    {
        form.setEndProgram([this] {
            ++ended;
            labelWhenEnded = label("Label2")->text();
        });
        form.show();
        QApplication::setActiveWindow(&form);
    }

    QPushButton* button(int index) { return form.findChild<QPushButton*>(QString("Command1_%1").arg(index)); }
    QLabel* label(const char* name) { return form.findChild<QLabel*>(name); }
    QListView* list() { return form.findChild<QListView*>("List1"); }
    QString qpath(const std::string& name) { return QString::fromStdString(dir.path(name)); }
    QColor colour(const char* name) { return label(name)->palette().color(QPalette::WindowText); }

    QStringList shownEntries()
    {
        QStringList shown;
        for (int row = 0; row < list()->model()->rowCount(); ++row) {
            shown << list()->model()->index(row, 0).data().toString();
        }
        return shown;
    }

    // Runs a command with its dialogs handled as given; checks no other dialog showed.
    void click(int index, std::initializer_list<ModalHandler::Handler> handlers)
    {
        ModalHandler modal(handlers);
        form.Command1_Click(index);
        EXPECT_EQ(modal.handled(), static_cast<int>(handlers.size()));
        EXPECT_EQ(modal.unexpected(), 0);
    }

    bool waitForSaveEnabled(bool enabled)
    {
        return QTest::qWaitFor([&] { return button(1)->isEnabled() == enabled; }, 1500);
    }

    test::TempDir dir;
    Form1 form;
    int ended = 0;
    QString labelWhenEnded;
};

const std::string kRecordA = test::Record("10020030", "Sparkasse M\xFChlbr\xFC" "ck", "A4");
const std::string kRecordB = test::Record("10020030", "Sparkasse M\xFChlbr\xFC" "ck Filiale", "A4");
const std::string kRecordC = test::Record("20030040", "Volksbank Gr\xFCnh\xFCgel", "C6");
const std::string kSortCodeFile = kRecordA + "\r\n" + kRecordB + "\r\n" + kRecordC + "\r\n";

// The start text is a link until a file is opened; a cancelled open changes nothing.
TEST_F(Form1Test, LinkOpensDownloadPageUntilImportTurnsItBlack)
{
    UrlCatcher catcher;
    EXPECT_EQ(label("Label2")->text(), kStartText);
    EXPECT_FALSE(button(1)->isEnabled());
    QTest::mouseClick(label("Label2"), Qt::LeftButton);
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened.first(), QUrl(form::kDownloadAddress));

    // Qt's dialogs speak German whatever the locale.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QStringList buttons;
    click(0, {[&](QDialog* dialog) {
        std::ranges::for_each(dialog->findChildren<QPushButton*>(), [&](auto* button) { buttons << button->text(); });
        dialog->reject();
    }});
    EXPECT_TRUE(buttons.contains("Abbrechen")) << buttons.join(", ").toStdString();
    EXPECT_EQ(label("Label2")->text(), kStartText);
    EXPECT_EQ(colour("Label2"), QColor(Qt::blue));

    test::WriteBytes(dir.path("blz.txt"), kSortCodeFile);
    click(0, {ChooseFile(qpath(("blz.txt")))});
    EXPECT_EQ(colour("Label2"), QColor(Qt::black));
    QTest::mouseClick(label("Label2"), Qt::LeftButton);
    EXPECT_EQ(catcher.opened.size(), 1);
}

// The summary, then a warning for the line that is no record; the entries decoded.
TEST_F(Form1Test, OpenShowsSummaryThenWarningAndDecodedEntries)
{
    test::WriteBytes(dir.path("blz.txt"), kSortCodeFile + kRecordC.substr(0, 100));
    DialogSeen seen;
    DialogSeen box;
    QString labelWhenWarned;
    click(0, {Record(seen, ChooseFile(qpath(("blz.txt")))), Record(box, [&](QDialog* dialog) {
                  labelWhenWarned = label("Label2")->text();
                  dialog->reject();
              })});
    EXPECT_EQ(seen.folder, QCoreApplication::applicationDirPath());
    EXPECT_EQ(labelWhenWarned, "4 Einträge in " + qpath("blz.txt") +
                                   "\r\n2 Einträge in obiger Liste (2 doppelte Einträge entfernt).");
    EXPECT_EQ(box.title, "Warnung");
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.text, "1 von 4 Zeilen sieht nicht wie ein Eintrag der Bankleitzahlendatei aus (Zeile 4).");
    EXPECT_EQ(shownEntries(), (QStringList{"10020030;Sparkasse Mühlbrück;A4", "20030040;Volksbank Grünhügel;C6"}));
    EXPECT_TRUE(FileText.empty());
    EXPECT_TRUE(waitForSaveEnabled(true));
}

void Drop(Form1& form, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
}

// A file named on the command line, or dropped on the window after a folder, opens as
// one chosen in the open dialog.
TEST_F(Form1Test, FileNamedOrDroppedOpensAsTheOpenDialogWould)
{
    test::WriteBytes(dir.path("blz.txt"), kSortCodeFile);
    click(0, {ChooseFile(qpath("blz.txt"))});
    const QString summary = label("Label2")->text();
    const QStringList shown = shownEntries();
    ModalHandler noDialog({});
    const std::function<void()> handOvers[] = {
        [&] { form.OpenPath(qpath("blz.txt")); },
        [&] { Drop(form, {QUrl::fromLocalFile(qpath("")), QUrl::fromLocalFile(qpath("blz.txt"))}); }};
    for (const auto& handOver : handOvers) {
        form.entries().clear();
        handOver();
        EXPECT_EQ(label("Label2")->text(), summary);
        EXPECT_EQ(shownEntries(), shown);
    }
    EXPECT_EQ(noDialog.unexpected(), 0);
}

TEST_F(Form1Test, ListShowsUtf8FileInUtf8AndOthersInWindows1252)
{
    test::WriteBytes(dir.path("utf8.txt"), Record("10020030", "M\xC3\xBChlenbank", "A4") + "\n");
    click(0, {ChooseFile(qpath("utf8.txt"))});
    EXPECT_EQ(shownEntries(), QStringList{"10020030;Mühlenbank;A4"});
    test::WriteBytes(dir.path("latin1.txt"), Record("10020030", "M\xFChlenbank \x80", "A4") + "\n");
    click(0, {ChooseFile(qpath("latin1.txt"))});
    EXPECT_EQ(shownEntries(), QStringList{"10020030;Mühlenbank €;A4"});
}

// A file that cannot be read in full: an error box, and nothing of it in the list.
TEST_F(Form1Test, OpenFailureShowsErrorBoxAndEmptyList)
{
    test::WriteBytes(dir.path("kurz.txt"), kRecordA + "\r\n1234567\r\n");
    const std::tuple<const char*, const char*, QString> failures[] = {
        {"fehlt.txt", "2", "Die Datei „" + qpath("fehlt.txt") + "“ kann nicht gelesen werden: Datei oder Ordner nicht gefunden."},
        {"kurz.txt", "1001", "Zeile 2 ist zu kurz für einen Eintrag der Bankleitzahlendatei."}};
    for (const auto& [file, title, text] : failures) {
        form.entries().append("12345678;Alt;00");
        DialogSeen box;
        click(0, {ChooseFile(qpath(file)), Record(box, Cancel())});
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.icon, QMessageBox::Critical);
        EXPECT_TRUE(list()->isVisible());
        EXPECT_EQ(list()->model()->rowCount(), 0);
        EXPECT_EQ(label("Label2")->text(), kStartText);
    }
}

// A cancelled save and one into a missing folder keep the list; a name without
// extension gets ".csv", and the saved list empties.
TEST_F(Form1Test, SaveKeepsListUntilWrittenAndCompletesName)
{
    test::WriteBytes(dir.path("blz.txt"), kSortCodeFile);
    click(0, {ChooseFile(qpath(("blz.txt")))});
    ASSERT_TRUE(waitForSaveEnabled(true));
    const QString summary = label("Label2")->text();
    DialogSeen box;
    click(1, {Cancel()});
    click(1, {ChooseFile(qpath(("fehlt/ergebnis.csv"))), Record(box, Cancel())});
    EXPECT_TRUE(box.text.startsWith("Die Datei „" + qpath("fehlt/ergebnis.csv") + "“ kann nicht geschrieben"));
    EXPECT_EQ(list()->model()->rowCount(), 2);
    EXPECT_EQ(label("Label2")->text(), summary);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"blz.txt"});

    click(1, {ChooseFile(qpath(("ergebnis")))});
    // The text was built twice before; each entry is still written once.
    EXPECT_EQ(test::ReadBytes(dir.path("ergebnis.csv")),
              "10020030;Sparkasse M\xFChlbr\xFC" "ck;A4\n20030040;Volksbank Gr\xFCnh\xFCgel;C6");
    EXPECT_EQ(label("Label2")->text(), "Ergebnis gespeichert unter : " + qpath("ergebnis.csv"));
    EXPECT_EQ(list()->model()->rowCount(), 0);
    EXPECT_TRUE(FileText.empty());
    EXPECT_TRUE(waitForSaveEnabled(false));
}

TEST_F(Form1Test, TimerAddsDotsWhileListHiddenAndClearsThemAfter)
{
    form.entries().append("12345678;Bank;00");
    list()->hide();
    form.Timer1_Timer();
    form.Timer1_Timer();
    EXPECT_EQ(label("Label3")->text(), "..");
    EXPECT_FALSE(button(1)->isEnabled());
    list()->show();
    form.Timer1_Timer();
    EXPECT_EQ(label("Label3")->text(), "");
    EXPECT_TRUE(button(1)->isEnabled());
}

TEST_F(Form1Test, EndButtonAndCloseBoxEndTheProgram)
{
    button(2)->click();
    EXPECT_EQ(ended, 1);
    form.show();
    form.close();
    EXPECT_EQ(ended, 2);
}

// Imports a file large enough that its duplicate removal takes a while, and runs an
// action from a timer the first time it ticks while the list is hidden: the import
// handles no events, so that is inside the duplicate removal.
class Form1DuringRemovalTest : public Form1Test {
protected:
    void SetUp() override { test::Generate("--records 40000 --seed 5 --crlf", dir, "gross.txt"); }

    void duringRemoval(const std::function<void()>& action)
    {
        bool done = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &form, [&] {
            if (list()->isHidden() && !done) {
                done = true;
                poll.stop();
                action();
            }
        });
        poll.start(1);
        click(0, {ChooseFile(qpath(("gross.txt")))});
        EXPECT_TRUE(done);
    }
};

TEST_F(Form1DuringRemovalTest, NestedOpenLeavesOuterFileResult)
{
    test::WriteBytes(dir.path("klein.txt"), kSortCodeFile);
    duringRemoval([&] { click(0, {ChooseFile(qpath(("klein.txt")))}); });
    EXPECT_TRUE(label("Label2")->text().startsWith(QString::fromStdString("40000 Einträge in " + dir.path("gross.txt"))));
    EXPECT_GT(list()->model()->rowCount(), 20000);
}

// Save is disabled once the list is hidden, although it was enabled before, as after an
// earlier import; the end button ends at once.
TEST_F(Form1DuringRemovalTest, SaveIsDisabledAndEndEndsAtOnce)
{
    form.entries().append("12345678;Alt;00");
    form.Timer1_Timer();
    ASSERT_TRUE(button(1)->isEnabled());
    bool saveEnabled = true;
    duringRemoval([&] {
        saveEnabled = button(1)->isEnabled();
        button(1)->click();  // a real click, which a disabled button ignores
        click(2, {});
    });
    EXPECT_FALSE(saveEnabled);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(labelWhenEnded, kStartText) << "the open command had already finished";
}

}  // namespace
}  // namespace leitzahl

#include "Form1Test.moc"
