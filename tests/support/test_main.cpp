// One main for every test executable: a Qt application object (a QApplication
// for widget tests, built with TORVIK_GUI_TESTS), then GoogleTest.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QByteArray>
#include <QtGlobal>

#ifdef TORVIK_GUI_TESTS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    // Tests never need a display; this also holds when ctest lists the tests at build time.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    ::testing::InitGoogleMock(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
