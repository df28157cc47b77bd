#pragma once
// TfMain: the connection engine behind the main window, without widgets.
//
// It owns the watchdog timer `Timer1`, the reader component `WorkerThread1`,
// the tray icon `TrayIcon1` and the link state, and appends everything the
// simulator sends to the log (LogModel).
//
// Use (user-interface thread):
//   TfMain engine(trayShell, &logModel);   // both must outlive the engine
//   engine.FormCreate();                   // empties the log, MonitorOn := true
//   // tray menu items:  engine.SetProtocol(item's Tag)   (0..5, 10, 11)
//   // status bar panel 1: engine.StatusPanelText() + statusPanelTextChanged
//   // "Monitor on/off" image: engine.MonitorImageIndex() + monitorImageIndexChanged
//   // tray icon events: engine.TrayIcon1 (dblClick, popupRequested)
// Options{.runTimer = false} leaves Timer1 stopped so that tests call
// Timer1Timer() themselves.
//
// Threads: everything runs on the UI thread except WorkerThread1Execute (the
// reader). When the reader finds the link dead it runs CloseSimulator, whose
// work is carried onto the UI thread by a blocking call. That work also gives
// the dead bridge's handle back to the driver, while the reader waits in the
// call and so touches no handle; the kernel can then reuse the port's name
// for the replugged simulator.

#include "device/ft_driver.h"
#include "thread/worker_thread.h"
#include "tray/tray_icon.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <set>
#include <string>

class LogModel;
class TrayShell;

class TfMain : public QObject {
    Q_OBJECT
public:
    struct Options {
        bool runTimer = true;  // start Timer1 at once
    };

    TfMain(TrayShell& shell, LogModel* log, Options options, QObject* parent = nullptr);
    TfMain(TrayShell& shell, LogModel* log) : TfMain(shell, log, Options{}) {}
    ~TfMain() override;

    // The engine's share of the window's creation handler.
    void FormCreate();

    // Watchdog tick: while no link is open, look for a "TORVIK" bridge.
    void Timer1Timer();
    void OpenSimulator();
    // Stops the reader and shows the closed link; callable from the reader.
    void CloseSimulator();
    // Sends one command line; "Torvik not connected." when no link is open.
    void SendCommand(const QString& command);
    // The tray menu's command items, by Tag: 0..5 "SP0".."SP5", 10 "reset",
    // 11 the monitor switch.
    void SetProtocol(int Tag);

    // The reader (bound to WorkerThread1).
    void WorkerThread1Start(TWorkerThread* Sender, TWorkerExecuteThread* Thread, void*& Data);
    void WorkerThread1Execute(TWorkerThread* Sender, TWorkerExecuteThread* Thread, void*& Data);
    void SynchroFuncData1(TWorkerThread* Sender, TWorkerExecuteThread* Thread, void*& Data);

    QString StatusPanelText() const { return statusPanelText_; }
    int MonitorImageIndex() const { return monitorImageIndex_; }

private:
    // Before the public components: WorkerThread1 must be the last member, so
    // that it is destroyed first and its reader still finds all of these.
    LogModel* log_;
    QString statusPanelText_;
    int monitorImageIndex_ = 6;
    bool shuttingDown_ = false;
    std::set<std::string> toldNotices_;       // refusals and portless bridges told, by reason and port
    std::set<std::string> portlessLastTick_;  // "TORVIK" USB devices without a port at the last tick
    bool driverReasonTold_ = false;           // the driver's reason for finding nothing was told
    bool readerWaiting_ = false;              // the reader waits for a hand-off on the UI thread
    bool closeWhenReaderEnds_ = false;        // the link closed while the reader was inside a driver call
    TWorkerThreadDataNotifyEvent handOff_;

public:
    std::atomic<bool> Connected{false};
    bool MonitorOn = false;
    // The latest received text; written by the reader, read during its hand-off.
    QString RxText;

    QTimer Timer1;
    TrayIcon TrayIcon1;
    // Declared last: destroyed first, so the reader ends while everything it
    // touches still exists.
    TWorkerThread WorkerThread1;

signals:
    void statusPanelTextChanged(const QString& text);
    void monitorImageIndexChanged(int index);

private:
    void readerLoop(TWorkerExecuteThread* thread, void*& data);
    void closeOnUiThread();
    void closeBridge();
    void readerEnded(TWorkerThread* sender, TWorkerExecuteThread* thread, void*& data);
    void showClosed();
    void announceRefusal(const FtDriver::OpenRefusal& refusal);
    void announcePortlessBridges();
    // True the first time `key` is given in this run.
    bool toldOnce(const std::string& key);
    // A warning balloon with `text`, and `text` on standard error.
    void announceWarning(const QString& text);
    void announceUnavailableDriver();
    void setStatusPanelText(const QString& text);
    void setMonitorImageIndex(int index);
};
