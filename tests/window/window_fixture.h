#pragma once
// A main window over a recording tray shell and an in-process bridge driver,
// with Timer1 stopped so that tests tick the watchdog themselves.

#include "device/d2xx_unit.h"
#include "device/ft_driver.h"
#include "device/simulated_driver.h"
#include "support/d2xx_unit_reset.h"
#include "support/error_box_recorder.h"
#include "support/recording_tray_shell.h"
#include "window/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>

#include <memory>

inline QIcon testImage(int index) {
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor::fromHsv((index * 37) % 360, 255, 255));
    return QIcon(pixmap);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetD2xxUnit();
        previousDriver_ = ftdriver::install(driver_);
        window_ = std::make_unique<TfMainWindow>(
            TfMainWindow::Setup{shell_, testImage, testImage(99), TfMain::Options{.runTimer = false}});
        window_->FormCreate();
    }
    void TearDown() override {
        window_.reset();
        ftdriver::install(previousDriver_);
        resetD2xxUnit();
    }

    // Shows the window and lets the platform lay it out.
    void showWindow() {
        window_->ShowMainForm();
        QApplication::processEvents();
    }

    TfMainWindow& window() { return *window_; }

    ErrorBoxRecorder errors_;
    RecordingTrayShell shell_;
    std::shared_ptr<SimulatedDriver> driver_ = std::make_shared<SimulatedDriver>();
    std::shared_ptr<FtDriver> previousDriver_;
    std::unique_ptr<TfMainWindow> window_;
};
