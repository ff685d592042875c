#include "ui/qt/Form1.h"

#include <QApplication>
#include <cstdio>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Set before the application exists, so that the tests run (and are listed)
    // on a machine without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The headless platform warns of every fixed-size window; that is no fault.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        if (!message.contains("propagateSizeHints")) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
        }
    });
    QApplication application(argc, argv);
    leitzahl::InstallGermanTranslations();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
