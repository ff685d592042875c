#include "ui/Form1.h"

#include "core/Version.h"
#include "ui/WrappingButton.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace leitzahl {

namespace {

constexpr int kClientWidth = 563;
constexpr int kClientHeight = 437;
constexpr int kTickMilliseconds = 500;

QFont NamedFont(const QStringList& families, double points)
{
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

void SetTextColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
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
    setFixedSize(kClientWidth, kClientHeight);
    // The layout was drawn for a narrow system font; the common wide Linux default
    // would cut off the download address and crowd the button captions.
    QFont narrow = font();
    narrow.setFamilies({"Liberation Sans", "Arial"});
    setFont(narrow);
    QIcon icon(":/leitzahl/leitzahl-16.png");
    icon.addFile(":/leitzahl/leitzahl-32.png");
    setWindowIcon(icon);

    // Created first, so that the list covers them while it is visible.
    Label1_ = new QLabel("Bitte warten. Alles wird gut :-)", this);
    Label1_->setObjectName("Label1");
    Label1_->setGeometry(6, 183, 550, 28);
    Label1_->setFont(NamedFont({"Arial", "Liberation Sans"}, 14.25));
    Label1_->setAlignment(Qt::AlignCenter);

    Label3_ = new QLabel(this);
    Label3_->setObjectName("Label3");
    Label3_->setGeometry(144, 213, 271, 28);
    Label3_->setFont(NamedFont({"MS Sans Serif", "Liberation Sans"}, 13.5));
    Label3_->setAlignment(Qt::AlignCenter);
    SetTextColour(Label3_, QColor(0, 64, 0));

    const std::array<const char*, 3> captions{"b&lz Textdatei öffnen", "csv Textdatei &sichern", "&Ende"};
    const std::array<int, 3> lefts{6, 96, 474};
    for (int index = 0; index < 3; ++index) {
        auto* button = new WrappingButton(QString::fromUtf8(captions[index]), this);
        button->setObjectName(QString("Command1_%1").arg(index));
        button->setGeometry(lefts[index], 6, 82, 49);
        connect(button, &QPushButton::clicked, this, [this, index] { Command1_Click(index); });
        Command1_[index] = button;
    }
    Command1_[1]->setEnabled(false);

    List1_ = new QListView(this);
    List1_->setObjectName("List1");
    List1_->setGeometry(6, 63, 550, 329);
    List1_->setModel(&entries_);
    List1_->setUniformItemSizes(true);
    List1_->setSelectionMode(QAbstractItemView::SingleSelection);
    List1_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    Label2_ = new QLabel(this);
    Label2_->setObjectName("Label2");
    Label2_->setGeometry(6, 399, 550, 31);
    Label2_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2_->installEventFilter(this);
    SetTextColour(Label2_, QColor(0, 0, 255));

    setTabOrder(Command1_[0], List1_);
    setTabOrder(List1_, Command1_[1]);
    setTabOrder(Command1_[1], Command1_[2]);
    Command1_[0]->setFocus();

    connect(&Timer1_, &QTimer::timeout, this, &Form1::Timer1_Timer);
    Timer1_.start(kTickMilliseconds);

    Form_Load();
}

void Form1::Form_Load()
{
    setWindowTitle(QString("V%1.%2    leitzahl – blz.txt nach blz.csv").arg(kVersionMajor).arg(kVersionMinor));
    Label2_->setText(QString("Laden Sie die aktuelle BLZ-Textdatei unter\r\n") + kDownloadAddress);
    Label2_->setCursor(Qt::PointingHandCursor);
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

bool Form1::Label2IsLink() const
{
    return Label2_->palette().color(QPalette::WindowText) != QColor(Qt::black);
}

void Form1::SetLabel2Black()
{
    SetTextColour(Label2_, Qt::black);
    Label2_->unsetCursor();
}

void Form1::Label2_Click()
{
    if (Label2IsLink()) {
        QDesktopServices::openUrl(QUrl(kDownloadAddress));
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label2_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label2_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::ProcessEvents()
{
    // A million turns of the event loop would cost about a second; events that have
    // waited less than 10 ms are handled at a later call.
    const auto now = std::chrono::steady_clock::now();
    if (now - eventsProcessed_ < std::chrono::milliseconds(10)) {
        return;
    }
    eventsProcessed_ = now;
    // What runs now may read the list through the view.
    entries_.showAppended();
    QCoreApplication::processEvents();
}

void Form1::closeEvent(QCloseEvent* event)
{
    event->accept();
    endProgram_();
}

}  // namespace leitzahl
