#include "ModalHandler.h"
#include "TestFiles.h"
#include "core/modFileToTextBox.h"
#include "ui/qt/Form1.h"
#include "ui/shared/FormTexts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace leitzahl {
namespace {

using test::Cancel;
using test::ChooseFile;
using test::DialogSeen;
using test::ModalHandler;
using test::Record;

const QString kStartText = "Laden Sie die aktuelle BLZ-Textdatei unter\r\n" + QString(form::kDownloadAddress);
const QColor kBlue(0, 0, 255);

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

TEST_F(Form1Test, StartState)
{
    EXPECT_EQ(form.windowTitle(), "V0.3    leitzahl – blz.txt nach blz.csv");
    EXPECT_EQ(label("Label2")->text(), kStartText);
    EXPECT_EQ(colour("Label2"), kBlue);
    EXPECT_EQ(colour("Label3"), QColor(0, 64, 0));
    EXPECT_FALSE(button(1)->isEnabled());
    EXPECT_TRUE(button(0)->isEnabled());
    EXPECT_TRUE(button(2)->isEnabled());
    EXPECT_TRUE(list()->isVisible());
    EXPECT_EQ(list()->model()->rowCount(), 0);
    EXPECT_EQ(form.size(), QSize(563, 437));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(form.windowIcon().isNull());
    EXPECT_EQ(QApplication::focusWidget(), button(0));
    EXPECT_EQ(list()->geometry(), QRect(6, 63, 550, 329));
    // The please-wait texts lie beneath the list.
    EXPECT_LT(form.children().indexOf(label("Label1")), form.children().indexOf(list()));
    EXPECT_LT(form.children().indexOf(label("Label3")), form.children().indexOf(list()));
}

TEST_F(Form1Test, TabFollowsFocusOrderAndAccessKeysWork)
{
    form.entries().append("12345678;Bank;00");
    form.Timer1_Timer();  // enables save
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    button(0)->setFocus();
    std::vector<QWidget*> order;
    for (int i = 0; i < 4; ++i) {
        order.push_back(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (std::vector<QWidget*>{button(0), list(), button(1), button(2)}));

    // An access key animates the click, which lands a moment later.
    {
        ModalHandler modal({Cancel()});
        QTest::keyClick(&form, Qt::Key_L, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return modal.handled() == 1; }, 1000));
    }
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QTest::keyClick(&form, Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended == 1; }, 1000));
}

TEST_F(Form1Test, LinkOpensDownloadPageUntilImportTurnsItBlack)
{
    UrlCatcher catcher;
    QTest::mouseClick(label("Label2"), Qt::LeftButton);
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened.first(), QUrl(form::kDownloadAddress));

    test::WriteBytes(dir.path("blz.txt"), kSortCodeFile);
    click(0, {ChooseFile(qpath(("blz.txt")))});
    EXPECT_EQ(colour("Label2"), QColor(Qt::black));
    QTest::mouseClick(label("Label2"), Qt::LeftButton);
    EXPECT_EQ(catcher.opened.size(), 1);
}

TEST_F(Form1Test, OpenShowsSummaryAndDecodedEntries)
{
    test::WriteBytes(dir.path("blz.txt"), kSortCodeFile);
    DialogSeen seen;
    click(0, {Record(seen, ChooseFile(qpath(("blz.txt"))))});
    EXPECT_EQ(seen.title, "blz Textdatei öffnen");
    EXPECT_EQ(seen.filters, QStringList{"Textdateien (*.txt)"});
    EXPECT_EQ(seen.folder, QCoreApplication::applicationDirPath());

    EXPECT_EQ(label("Label2")->text(), QString::fromStdString("3 Einträge in " + dir.path("blz.txt") +
                                                               "\r\n2 Einträge in obiger Liste (1 doppelte Einträge entfernt)."));
    EXPECT_EQ(shownEntries(), (QStringList{"10020030;Sparkasse Mühlbrück;A4", "20030040;Volksbank Grünhügel;C6"}));
    EXPECT_EQ(form.entries().entry(0), "10020030;Sparkasse M\xFChlbr\xFC" "ck;A4");
    EXPECT_TRUE(list()->isVisible());
    EXPECT_TRUE(FileText.empty());
    EXPECT_TRUE(waitForSaveEnabled(true));
}

TEST_F(Form1Test, WarningFollowsSummaryWhenLinesAreNoRecords)
{
    test::WriteBytes(dir.path("fremd.txt"), kSortCodeFile + kRecordC.substr(0, 100));
    DialogSeen box;
    QString labelWhenWarned;
    click(0, {ChooseFile(qpath("fremd.txt")), Record(box, [&](QDialog* dialog) {
                  labelWhenWarned = label("Label2")->text();
                  dialog->reject();
              })});
    EXPECT_EQ(box.title, "Warnung");
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.text, "1 von 4 Zeilen sieht nicht wie ein Eintrag der Bankleitzahlendatei aus (Zeile 4).");
    EXPECT_TRUE(labelWhenWarned.startsWith(QString::fromStdString("4 Einträge in " + dir.path("fremd.txt"))));
    EXPECT_EQ(list()->model()->rowCount(), 2);
    EXPECT_TRUE(waitForSaveEnabled(true));
}

// A file named on the command line or dropped on the window is opened as one chosen
// in the open dialog.
struct HandOverCase {
    friend void PrintTo(const HandOverCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    std::function<void(Form1&, const QString&)> handOver;
};

class Form1HandOverTest : public Form1Test, public testing::WithParamInterface<HandOverCase> {};

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

TEST_P(Form1HandOverTest, OpensAsTheOpenDialogWould)
{
    test::WriteBytes(dir.path("blz.txt"), kSortCodeFile);
    click(0, {ChooseFile(qpath("blz.txt"))});
    const QString summary = label("Label2")->text();
    const QStringList shown = shownEntries();
    form.entries().clear();

    ModalHandler noDialog({});
    GetParam().handOver(form, qpath("blz.txt"));
    EXPECT_EQ(noDialog.unexpected(), 0);
    EXPECT_EQ(label("Label2")->text(), summary);
    EXPECT_EQ(shownEntries(), shown);
}

INSTANTIATE_TEST_SUITE_P(
    Window, Form1HandOverTest,
    testing::Values(HandOverCase{"CommandLine", [](Form1& form, const QString& path) { form.OpenPath(path); }},
                    HandOverCase{"Drop",
                                 [](Form1& form, const QString& path) {
                                     Drop(form, {QUrl::fromLocalFile(QFileInfo(path).path()), QUrl::fromLocalFile(path)});
                                 }}),
    [](const auto& info) { return info.param.name; });

TEST_F(Form1Test, DroppedFolderGivesErrorBox)
{
    DialogSeen box;
    ModalHandler modal({Record(box, Cancel())});
    QDir(qpath("")).mkdir("ordner");
    Drop(form, {QUrl::fromLocalFile(qpath("ordner"))});
    EXPECT_EQ(modal.handled(), 1);
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_TRUE(box.text.endsWith("Das ist ein Ordner, keine Datei.")) << box.text.toStdString();
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

TEST_F(Form1Test, DialogButtonsSpeakGermanUnderAnEnglishLocale)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QStringList buttons;
    click(0, {[&](QDialog* dialog) {
        for (const QPushButton* button : dialog->findChildren<QPushButton*>()) {
            buttons << button->text();
        }
        dialog->reject();
    }});
    EXPECT_TRUE(buttons.contains("Abbrechen")) << buttons.join(", ").toStdString();
}

TEST_F(Form1Test, CancelledOpenChangesNothing)
{
    form.entries().append("12345678;Alt;00");
    click(0, {Cancel()});
    EXPECT_EQ(shownEntries(), QStringList{"12345678;Alt;00"});
    EXPECT_EQ(label("Label2")->text(), kStartText);
    EXPECT_EQ(colour("Label2"), kBlue);
}

TEST_F(Form1Test, OpenOfFileWithoutEntriesClearsListAndKeepsSaveDisabled)
{
    form.entries().append("12345678;Alt;00");
    test::WriteBytes(dir.path("leer.txt"), "");
    click(0, {ChooseFile(qpath(("leer.txt")))});
    EXPECT_EQ(list()->model()->rowCount(), 0);
    EXPECT_EQ(label("Label2")->text(), QString::fromStdString("0 Einträge in " + dir.path("leer.txt") +
                                                               "\r\n0 Einträge in obiger Liste (0 doppelte Einträge entfernt)."));
    form.Timer1_Timer();
    EXPECT_FALSE(button(1)->isEnabled());
}

struct OpenFailureCase {
    friend void PrintTo(const OpenFailureCase& c, std::ostream* os) { *os << c.name; }
    const char* name;
    const char* file;
    const char* title;
    const char* text;  // FILE stands for the file's path
};

class Form1OpenFailureTest : public Form1Test, public testing::WithParamInterface<OpenFailureCase> {};

TEST_P(Form1OpenFailureTest, ShowsErrorBoxAndEmptyList)
{
    const OpenFailureCase& c = GetParam();
    test::WriteBytes(dir.path("kurz.txt"), kRecordA + "\r\n1234567\r\n");
    form.entries().append("12345678;Alt;00");
    DialogSeen box;
    click(0, {ChooseFile(qpath((c.file))), Record(box, Cancel())});
    EXPECT_EQ(box.title, c.title);
    EXPECT_EQ(box.text, QString(c.text).replace("FILE", qpath((c.file))));
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_TRUE(list()->isVisible());
    EXPECT_EQ(list()->model()->rowCount(), 0);
    EXPECT_EQ(label("Label2")->text(), kStartText);
    EXPECT_EQ(colour("Label2"), kBlue);
    EXPECT_TRUE(FileText.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Window, Form1OpenFailureTest,
    testing::Values(OpenFailureCase{"MissingFile", "fehlt.txt", "2",
                                    "Die Datei „FILE“ kann nicht gelesen werden: Datei oder Ordner nicht gefunden."},
                    OpenFailureCase{"ShortLine", "kurz.txt", "1001",
                                    "Zeile 2 ist zu kurz für einen Eintrag der Bankleitzahlendatei."}),
    [](const auto& info) { return info.param.name; });

class Form1SaveTest : public Form1Test {
protected:
    void SetUp() override
    {
        test::WriteBytes(dir.path("blz.txt"), kSortCodeFile);
        click(0, {ChooseFile(qpath(("blz.txt")))});
        ASSERT_TRUE(waitForSaveEnabled(true));
        summary = label("Label2")->text();
    }

    QString summary;
};

TEST_F(Form1SaveTest, CancelWritesNothingAndKeepsList)
{
    click(1, {Cancel()});
    EXPECT_EQ(list()->model()->rowCount(), 2);
    EXPECT_EQ(label("Label2")->text(), summary);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"blz.txt"});
}

TEST_F(Form1SaveTest, NameWithoutExtensionGetsCsvAndListEmpties)
{
    DialogSeen seen;
    click(1, {Cancel()});  // a cancelled save first: the later one still writes each entry once
    click(1, {Record(seen, ChooseFile(qpath(("ergebnis"))))});
    EXPECT_EQ(seen.title, "CSV Datei speichern");
    EXPECT_EQ(seen.filters, QStringList{"csv Dateien (*.csv)"});
    EXPECT_EQ(test::ReadBytes(dir.path("ergebnis.csv")),
              "10020030;Sparkasse M\xFChlbr\xFC" "ck;A4\n20030040;Volksbank Gr\xFCnh\xFCgel;C6");
    EXPECT_EQ(label("Label2")->text(), QString::fromStdString("Ergebnis gespeichert unter : " + dir.path("ergebnis.csv")));
    EXPECT_EQ(colour("Label2"), QColor(Qt::black));
    EXPECT_EQ(list()->model()->rowCount(), 0);
    EXPECT_TRUE(FileText.empty());
    EXPECT_TRUE(waitForSaveEnabled(false));
}

TEST_F(Form1SaveTest, MissingFolderShowsErrorAndKeepsList)
{
    DialogSeen box;
    click(1, {ChooseFile(qpath(("fehlt/ergebnis.csv"))), Record(box, Cancel())});
    EXPECT_EQ(box.title, "2");
    EXPECT_EQ(box.text, QString::fromStdString("Die Datei „" + dir.path("fehlt/ergebnis.csv") +
                                               "“ kann nicht geschrieben werden: Datei oder Ordner nicht gefunden."));
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(list()->model()->rowCount(), 2);
    EXPECT_EQ(label("Label2")->text(), summary);
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

// Imports a file large enough that its duplicate removal takes a while, and clicks
// from a timer the first time it ticks while the list is hidden: the import handles
// no events, so that is inside the duplicate removal.
class Form1DuringRemovalTest : public Form1Test {
protected:
    void SetUp() override { test::Generate("--records 40000 --seed 5 --crlf", dir, "gross.txt"); }

    void clickDuringRemoval(int index, std::initializer_list<ModalHandler::Handler> nested)
    {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &form, [&, index, nested] {
            if (list()->isHidden() && !clickedDuringRemoval) {
                clickedDuringRemoval = true;
                poll.stop();
                click(index, nested);
            }
        });
        poll.start(1);
        click(0, {ChooseFile(qpath(("gross.txt")))});
    }

    bool clickedDuringRemoval = false;
};

TEST_F(Form1DuringRemovalTest, EndEndsAtOnce)
{
    clickDuringRemoval(2, {});
    EXPECT_TRUE(clickedDuringRemoval);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(labelWhenEnded, kStartText) << "the open command had already finished";
}

TEST_F(Form1DuringRemovalTest, NestedOpenLeavesOuterFileResult)
{
    test::WriteBytes(dir.path("klein.txt"), kSortCodeFile);
    clickDuringRemoval(0, {ChooseFile(qpath(("klein.txt")))});
    EXPECT_TRUE(clickedDuringRemoval);
    EXPECT_TRUE(label("Label2")->text().startsWith(QString::fromStdString("40000 Einträge in " + dir.path("gross.txt"))));
    EXPECT_GT(list()->model()->rowCount(), 20000);
    EXPECT_TRUE(list()->isVisible());
}

TEST_F(Form1DuringRemovalTest, SaveIsDisabledOnceTheListIsHidden)
{
    // A list shown before, with save enabled, as after an earlier import.
    form.entries().append("12345678;Alt;00");
    form.Timer1_Timer();
    ASSERT_TRUE(button(1)->isEnabled());

    bool saveEnabledDuringRemoval = true;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &form, [&] {
        if (list()->isHidden() && !clickedDuringRemoval) {
            clickedDuringRemoval = true;
            poll.stop();
            saveEnabledDuringRemoval = button(1)->isEnabled();
            ModalHandler modal({});
            button(1)->click();  // a real click, which a disabled button ignores
        }
    });
    poll.start(1);
    click(0, {ChooseFile(qpath("gross.txt"))});
    EXPECT_TRUE(clickedDuringRemoval);
    EXPECT_FALSE(saveEnabledDuringRemoval);
    EXPECT_TRUE(label("Label2")->text().startsWith("40000 Einträge"));
}

}  // namespace
}  // namespace leitzahl

#include "Form1Test.moc"
