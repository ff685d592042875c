#include "ui/qt/Form1.h"

#include "core/Version.h"
#include "ui/qt/Form1Accessible.h"
#include "ui/qt/WrappingButton.h"
#include "ui/shared/DroppedFiles.h"
#include "ui/shared/EventThrottle.h"
#include "ui/shared/FormTexts.h"
#include "ui/shared/ReadableColours.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QListView>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QTranslator>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace leitzahl {

namespace {

// The named face, or the nearest one this system has.
QFont BoldFont(const form::Font& named)
{
    QFont font;
    font.setFamilies({named.family, "Liberation Sans"});
    font.setPointSizeF(named.points);
    font.setBold(true);
    return font;
}

void SetTextColour(QLabel* label, const form::Colour& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(colour.red, colour.green, colour.blue));
    label->setPalette(palette);
}

form::Colour ToColour(const QColor& colour)
{
    return {colour.red(), colour.green(), colour.blue()};
}

void Place(QWidget* widget, const form::Place& place)
{
    widget->setGeometry(place.left, place.top, place.width, place.height);
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      endProgram_([] {
          // Ends at once, also from inside a running duplicate removal.
          std::fflush(nullptr);
          std::_Exit(EXIT_SUCCESS);
      })
{
    setFixedSize(form::kClientWidth, form::kClientHeight);
    setAcceptDrops(true);
    // The layout was drawn for a narrow system font; the common wide Linux default
    // would cut off the download address and crowd the button captions.
    QFont narrow = font();
    narrow.setFamilies({"Liberation Sans", "Arial"});
    setFont(narrow);
    QIcon icon(":/leitzahl/leitzahl-16.png");
    icon.addFile(":/leitzahl/leitzahl-32.png");
    setWindowIcon(icon);

    // Created first, so that the list covers them while it is visible.
    Label1_ = new QLabel(QString::fromUtf8(form::kPleaseWait), this);
    Label1_->setObjectName("Label1");
    Place(Label1_, form::kLabel1);
    Label1_->setFont(BoldFont(form::kLabel1Font));
    Label1_->setAlignment(Qt::AlignCenter);

    Label3_ = new QLabel(this);
    Label3_->setObjectName("Label3");
    Place(Label3_, form::kLabel3);
    Label3_->setFont(BoldFont(form::kLabel3Font));
    Label3_->setAlignment(Qt::AlignCenter);

    for (int index = 0; index < 3; ++index) {
        auto* button = new WrappingButton(QString::fromUtf8(form::kButtonCaptions[index]), this);
        button->setObjectName(QString("Command1_%1").arg(index));
        Place(button, form::kCommand1[index]);
        connect(button, &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
        Command1_[index] = button;
    }
    Command1_[1]->setEnabled(false);

    List1_ = new QListView(this);
    List1_->setObjectName("List1");
    Place(List1_, form::kList1);
    List1_->setModel(&entries_);
    List1_->setUniformItemSizes(true);
    List1_->setSelectionMode(QAbstractItemView::SingleSelection);
    List1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List1_->setAccessibleName(QString::fromUtf8(form::kList1Name));
    List1_->installEventFilter(this);

    Label2_ = new QLabel(this);
    Label2_->setObjectName("Label2");
    Place(Label2_, form::kLabel2);
    Label2_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2_->installEventFilter(this);
    Label2_->setFocusPolicy(Qt::TabFocus);
    [[maybe_unused]] static const bool roles = (QAccessible::installFactory(Form1Accessible), true);
    PaintInSchemeColours();

    setTabOrder(Command1_[0], List1_);
    setTabOrder(List1_, Command1_[1]);
    setTabOrder(Command1_[1], Command1_[2]);
    setTabOrder(Command1_[2], Label2_);
    Command1_[0]->setFocus();
    ShowList(true);

    connect(&Timer1_, &QTimer::timeout, this, &Form1::Timer1_Timer);
    Timer1_.start(form::kTickMilliseconds);

    Form_Load();
}

void Form1::Form_Load()
{
    setWindowTitle(QString("V%1.%2").arg(kVersionMajor).arg(kVersionMinor) +
                   QString::fromUtf8(form::kCaptionAfterVersion));
    Label2_->setText(QString::fromUtf8(form::kStartTextFirstLine) + "\r\n" + form::kDownloadAddress);
    Label2_->setCursor(Qt::PointingHandCursor);
}

void Form1::ShowList(bool shown)
{
    // The please-wait texts it covers are hidden too, so that screen readers do not
    // read them as shown.
    List1_->setVisible(shown);
    Label1_->setVisible(!shown);
    Label3_->setVisible(!shown);
}

void Form1::SetStatusLine(const QString& text)
{
    Label2_->setText(text);
    AnnounceStatusLine(Label2_);
}

void Form1::Timer1_Timer()
{
    const bool listShown = !List1_->isHidden();
    Command1_[1]->setEnabled(listShown && entries_.count() > 0);
    if (listShown) {
        Label3_->clear();
    } else {
        Label3_->setText(Label3_->text() + ".");
    }
}

void Form1::SetLabel2Black()
{
    label2IsLink_ = false;
    PaintInSchemeColours();
    Label2_->unsetCursor();
    if (Label2_->hasFocus()) {
        Command1_[0]->setFocus();
    }
    Label2_->setFocusPolicy(Qt::NoFocus);
    // The link's accessible object goes; the next one asked for is the status line's.
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(QAccessible::queryAccessibleInterface(Label2_)));
}

void Form1::PaintInSchemeColours()
{
    // The designed colours where they read on the palette's window colour, as on the
    // usual light ones; on a dark or high-contrast palette the palette's own.
    const QPalette scheme = palette();
    const form::Colour background = ToColour(scheme.color(QPalette::Window));
    const form::Colour text = ToColour(scheme.color(QPalette::WindowText));
    SetTextColour(Label3_, form::ReadableColour({form::kDotsColour, text}, background));
    const form::Colour link = ToColour(scheme.color(QPalette::Link));
    const form::Colour status = form::ReadableColour({form::kStatusColour, text}, background);
    const form::Colour linkLine =
        label2IsLink_ ? form::ReadableColour({form::kLinkColour, link, form::Halfway(link, text), text}, background)
                      : status;
    SetTextColour(Label2_, linkLine);
    // A link in the status line's colour still shows what it is.
    QFont font = Label2_->font();
    font.setUnderline(label2IsLink_ && linkLine == status);
    Label2_->setFont(font);
}

void Form1::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) {
        PaintInSchemeColours();
    }
    QWidget::changeEvent(event);
}

void Form1::Label2_Click()
{
    if (label2IsLink_) {
        QDesktopServices::openUrl(QUrl(form::kDownloadAddress));
    }
}

void Form1::TellCurrentEntry()
{
    const QModelIndex current = List1_->currentIndex();
    if (List1_->hasFocus() && current.isValid()) {
        QAccessibleEvent told(List1_, QAccessible::Focus);
        told.setChild(current.row());
        QAccessible::updateAccessibility(&told);
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == List1_ && event->type() == QEvent::FocusIn) {
        // Qt tells of the entry only when the current one changes, and tells of the
        // list itself after this event: the entry's turn comes after that.
        QMetaObject::invokeMethod(this, &Form1::TellCurrentEntry, Qt::QueuedConnection);
    }
    if (watched == Label2_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label2_Click();
        return true;
    }
    if (watched == Label2_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            Label2_Click();
            return true;
        }
    }
    if (watched == Label2_ && event->type() == QEvent::Paint && Label2_->hasFocus()) {
        static_cast<QObject*>(Label2_)->event(event);  // the label paints its text, then the frame
        // In the link's own colour, which reads on the window: the style's light dotted
        // frame hardly shows.
        QPainter painter(Label2_);
        painter.setPen(Label2_->palette().color(QPalette::WindowText));
        painter.drawRect(Label2_->rect().adjusted(0, 0, -1, -1));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::ProcessEvents()
{
    if (!EventsAreDue(eventsProcessed_)) {
        return;
    }
    // What runs now may read the list through the view.
    entries_.showAppended();
    QCoreApplication::processEvents();
}

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void Form1::dropEvent(QDropEvent* event)
{
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(url.toLocalFile().toStdString());
        }
    }
    const QString chosen = QString::fromStdString(ChooseDroppedFile(paths));
    if (!chosen.isEmpty()) {
        event->acceptProposedAction();
        OpenHandedOverFile(chosen);
    }
}

void Form1::OpenHandedOverFile(const QString& path)
{
    if (!path.isEmpty()) {
        OpenPath(QFileInfo(path).absoluteFilePath());
    }
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    endProgram_();
}

QString ProgramFilesFolder()
{
    const QDir program(QCoreApplication::applicationDirPath());
    const QString installed = program.filePath("../share/leitzahl");
    if (program.dirName() == "bin" && QFileInfo(installed).isDir()) {
        return QDir(installed).canonicalPath();
    }
    return program.path();
}

void InstallGermanTranslations()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::German, QLocale::Germany), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    }
}

}  // namespace leitzahl
