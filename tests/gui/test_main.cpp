#include "gui_tests.h"

#include <QApplication>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    int failures = 0;
    failures += RunItemListModelTests(argc, argv);
    failures += RunMainFrameTests(argc, argv);
    failures += RunImportTests(argc, argv);
    failures += RunSearchFormTests(argc, argv);
    failures += RunOptionsSheetTests(argc, argv);
    failures += RunStartUpTests(argc, argv);
    failures += RunOutputCommandsTests(argc, argv);
    failures += RunToolsWindowTests(argc, argv);
    failures += RunTranslationTests(argc, argv);
    failures += RunPlayerCommandsTests(argc, argv);
    failures += RunPropertiesWindowTests(argc, argv);
    failures += RunCopyMoveTests(argc, argv);
    failures += RunCoverTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
