// One main for every test executable: a Qt application object (a QApplication
// for widget tests, built with TORVIK_GUI_TESTS), then GoogleTest.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifdef TORVIK_GUI_TESTS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
