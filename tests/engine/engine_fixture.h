#pragma once
// TfMain over a simulated bridge, a recording tray shell and a log model, with
// Timer1 stopped: tests tick the watchdog themselves.

#include "device/d2xx_unit.h"
#include "device/simulated_driver.h"
#include "engine/tf_main.h"
#include "logstore/log_model.h"
#include "support/d2xx_unit_reset.h"
#include "support/error_box_recorder.h"
#include "support/recording_tray_shell.h"
#include "thread/event_pump.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Reports every balloon hidden as soon as it is asked for, so that each
// request carrying NIF_INFO stands for exactly one ShowBalloonNotice.
class PromptTrayShell : public RecordingTrayShell {
public:
    void modify(const NotifyRecord& record) override {
        RecordingTrayShell::modify(record);
        if (onModify) onModify(record);
        if (icon && record.has(notify::NIF_INFO)) icon->onBalloonTimedOut();
    }
    TrayIcon* icon = nullptr;
    std::function<void(const NotifyRecord&)> onModify;  // sees each request as it comes
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = ftdriver::install(driver);
        resetD2xxUnit();
        engine = std::make_unique<TfMain>(shell, &log, TfMain::Options{.runTimer = false});
        shell.icon = &engine->TrayIcon1;
        engine->FormCreate();
    }
    void TearDown() override {
        engine.reset();
        resetD2xxUnit();
        ftdriver::install(previous_);
    }

    // The log's lines joined by "\n".
    QString logText() const {
        QStringList lines;
        for (qsizetype i = 0; i < log.lineCount(); ++i) lines.append(log.line(i));
        return lines.join(u'\n');
    }
    // Balloons asked for, as "text/kind".
    QStringList balloons() const {
        QStringList out;
        for (const auto& r : shell.balloons())
            out.append(r.info + u'/' + QString::number(static_cast<int>(r.infoFlags)));
        return out;
    }
    bool openLink() {
        engine->Timer1Timer();
        return engine->Connected.load() && engine->WorkerThread1.IsRunning();
    }
    bool waitReaderEnded(int ms = 5000) {
        return pumpUntil([&] { return !engine->WorkerThread1.IsRunning(); }, ms);
    }

    std::shared_ptr<SimulatedDriver> driver = std::make_shared<SimulatedDriver>();
    PromptTrayShell shell;
    LogModel log;
    ErrorBoxRecorder errors;
    std::unique_ptr<TfMain> engine;

private:
    std::shared_ptr<FtDriver> previous_;
};

inline const QString kClosedBalloon = QStringLiteral("Device closed/3");
inline const QString kOpenedBalloon = QStringLiteral("Device opened/1");
