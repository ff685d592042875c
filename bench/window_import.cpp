// Imports sort-code files through the real window, as if chosen in its open dialog,
// and prints how long each took until the summary showed and how many progress dots
// the timer added meanwhile. Usage: leitzahl_window_bench FILE...
#include "ui/qt/Form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListView>
#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    leitzahl::Form1 form;
    form.show();
    for (int i = 1; i < argc; ++i) {
        form.findChild<QLabel*>("Label3")->clear();
        QElapsedTimer clock;
        clock.start();
        form.OpenPath(QString::fromLocal8Bit(argv[i]));
        const qint64 elapsed = clock.elapsed();
        const QString summary = form.findChild<QLabel*>("Label2")->text();
        std::printf("%-50s %7lld ms  %3lld dots  %s\n", argv[i], static_cast<long long>(elapsed),
                    static_cast<long long>(form.findChild<QLabel*>("Label3")->text().size()),
                    qPrintable(summary.section("\r\n", 1)));
        if (!form.findChild<QListView*>("List1")->isVisible()) {
            std::fprintf(stderr, "the import did not finish\n");
            return 1;
        }
    }
    return 0;
}
