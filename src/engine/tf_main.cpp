#include "engine/tf_main.h"

#include "device/d2xx_unit.h"
#include "device/ft_driver.h"
#include "engine/link_tokens.h"
#include "logstore/log_model.h"
#include "text/buffer_text.h"
#include "text/codepage.h"
#include "text/error_box.h"

#include <QThread>

#include <cstdio>
#include <exception>

namespace {

constexpr int kWatchdogPeriodMs = 1000;
constexpr int kIconClosed = 0;
constexpr int kIconOpenMonitorOn = 1;
constexpr int kIconOpenMonitorOff = 3;
constexpr int kMenuImageMonitorOff = 5;
constexpr int kMenuImageMonitorOn = 6;
constexpr int kTagReset = 10;
constexpr int kTagMonitor = 11;
constexpr DWORD kDriverTimeoutMs = 100;

// Marks the span of a hand-off on the UI thread, during which the reader waits.
class ReaderWaiting {
public:
    explicit ReaderWaiting(bool& flag) : flag_(flag) { flag_ = true; }
    ~ReaderWaiting() { flag_ = false; }
    ReaderWaiting(const ReaderWaiting&) = delete;
    ReaderWaiting& operator=(const ReaderWaiting&) = delete;

private:
    bool& flag_;
};

}  // namespace

TfMain::TfMain(TrayShell& shell, LogModel* log, Options options, QObject* parent)
    : QObject(parent), log_(log), TrayIcon1(shell) {
    TrayIcon1.SetVisible(true);

    WorkerThread1.SetRefreshInterval(1000);
    WorkerThread1.SetPriority(TThreadPriority::tpLowest);
    WorkerThread1.SetUpdateEnabled(false);
    WorkerThread1.OnStart = TWorkerThread::bind(this, &TfMain::WorkerThread1Start);
    WorkerThread1.OnExecute = TWorkerThread::bind(this, &TfMain::WorkerThread1Execute);
    WorkerThread1.OnTerminate = TWorkerThread::bind(this, &TfMain::readerEnded);
    handOff_ = [this](TWorkerThread* sender, TWorkerExecuteThread* thread, void*& data) {
        const ReaderWaiting waiting(readerWaiting_);
        SynchroFuncData1(sender, thread, data);
    };

    Timer1.setInterval(kWatchdogPeriodMs);
    connect(&Timer1, &QTimer::timeout, this, [this] {
        // An error escaping a tick is reported and the watchdog keeps ticking.
        try {
            Timer1Timer();
        } catch (const std::exception& e) {
            errorbox::reportApplicationError(QString::fromLocal8Bit(e.what()));
        }
    });
    if (options.runTimer) Timer1.start();
}

TfMain::~TfMain() {
    // The reader may still close the link on its way out: from now on that
    // only stops it, without touching the indications.
    shuttingDown_ = true;
    Timer1.stop();
    WorkerThread1.Stop();
    // WorkerThread1 is destroyed next and waits for the reader.
}

void TfMain::FormCreate() {
    if (log_) log_->clear();
    MonitorOn = true;
    D2XXUnit::ReportErrors = false;
}

void TfMain::Timer1Timer() {
    if (Connected) return;
    // A reader that closed the link may not have ended yet; opening now would
    // leave the new link without a reader. The next tick tries again.
    if (WorkerThread1.IsRunning()) return;

    D2XXUnit::GetFTDeviceCount();
    const std::int32_t n = D2XXUnit::DeviceCount;
    for (std::int32_t i = 0; i < n; ++i) {
        D2XXUnit::GetFTDeviceDescription(i);
        if (linktokens::isTorvik(linktokens::upperDescription(D2XXUnit::ListedDescription()))) {
            OpenSimulator();
            return;
        }
    }
    // The icon remembers that the closed state has been announced.
    if (TrayIcon1.IconIndex() != kIconClosed) showClosed();
    announceUnavailableDriver();
    announcePortlessBridges();
}

void TfMain::OpenSimulator() {
    if (WorkerThread1.IsRunning()) return;

    D2XXUnit::GetFTDeviceCount();
    const std::int32_t n = D2XXUnit::DeviceCount;
    bool found = false;
    for (std::int32_t i = 0; i < n && !found; ++i) {
        D2XXUnit::GetFTDeviceDescription(i);
        found = linktokens::isTorvikOrVmr4100(linktokens::upperDescription(D2XXUnit::ListedDescription()));
    }
    if (!found) return;

    D2XXUnit::ReportErrors = false;
    // DescriptionBuffer still holds the matching bridge's description.
    const FT_STATUS opened = D2XXUnit::Open_USB_Device_By_Device_Description(D2XXUnit::ListedDescription());
    Connected = opened == FT_OK;
    // The status alone cannot tell a port we may not open from one that
    // another program holds; the driver says which, to tell the user.
    const std::shared_ptr<FtDriver> driver = ftdriver::current();
    const FtDriver::OpenRefusal refusal =
        opened != FT_OK && driver ? driver->lastOpenRefusal() : FtDriver::OpenRefusal{};

    D2XXUnit::ResetFTDevice();
    D2XXUnit::BaudRate = 115200;
    D2XXUnit::WordLength = FT_BITS_8;
    D2XXUnit::StopBits = FT_STOP_BITS_1;
    D2XXUnit::Parity = FT_PARITY_NONE;
    D2XXUnit::SetFTDeviceDataCharacteristics();
    D2XXUnit::SetFTDeviceBaudRate();
    D2XXUnit::SetFTDeviceTimeouts(kDriverTimeoutMs, kDriverTimeoutMs);
    D2XXUnit::PurgeFTDeviceReceive();
    D2XXUnit::PurgeFTDeviceTransmit();
    if (!Connected) {
        announceRefusal(refusal);
        return;
    }

    try {
        WorkerThread1.Start();
    } catch (...) {
        // Without a reader nobody would ever notice the link die: leave it
        // closed so that the next tick tries again.
        Connected = false;
        throw;
    }
    QString command;
    if (MonitorOn) {
        TrayIcon1.SetIconIndex(kIconOpenMonitorOn);
        command = QStringLiteral("MON1");
        setMonitorImageIndex(kMenuImageMonitorOn);
    } else {
        TrayIcon1.SetIconIndex(kIconOpenMonitorOff);
        command = QStringLiteral("MON0");
        setMonitorImageIndex(kMenuImageMonitorOff);
    }
    // After Start: the simulator's answer must find the reader running.
    SendCommand(command);
    setStatusPanelText(QStringLiteral("Opened"));
    TrayIcon1.SetBalloonHint(QStringLiteral("Device opened"));
    TrayIcon1.SetBalloonFlags(TBalloonFlags::bfInfo);
    TrayIcon1.ShowBalloonNotice();
}

void TfMain::CloseSimulator() {
    if (TWorkerExecuteThread* reader = WorkerThread1.Worker();
        reader && QThread::currentThread() != thread()) {
        // On the reader: the close runs on the UI thread, and has taken effect
        // (terminate flag set, Connected false) when this returns.
        reader->CallOnUiThread([this] {
            const ReaderWaiting waiting(readerWaiting_);
            closeOnUiThread();
        });
        return;
    }
    closeOnUiThread();
}

void TfMain::closeOnUiThread() {
    WorkerThread1.Stop();
    closeBridge();
    if (!shuttingDown_) showClosed();
    Connected = false;
}

void TfMain::closeBridge() {
    // A reader inside a driver call must not see its handle closed under it:
    // then the handle goes back once the reader has ended.
    if (WorkerThread1.IsRunning() && !readerWaiting_) {
        closeWhenReaderEnds_ = true;
        return;
    }
    closeWhenReaderEnds_ = false;
    D2XXUnit::CloseFTDevice();
}

void TfMain::readerEnded(TWorkerThread*, TWorkerExecuteThread*, void*&) {
    if (closeWhenReaderEnds_ && !Connected) closeBridge();
}

void TfMain::showClosed() {
    TrayIcon1.SetIconIndex(kIconClosed);
    TrayIcon1.SetBalloonHint(QStringLiteral("Device closed"));
    TrayIcon1.SetBalloonFlags(TBalloonFlags::bfError);
    TrayIcon1.ShowBalloonNotice();
    setStatusPanelText(QStringLiteral("Closed"));
}

void TfMain::announceRefusal(const FtDriver::OpenRefusal& refusal) {
    using Reason = FtDriver::OpenRefusal::Reason;
    if (refusal.reason == Reason::None || refusal.devicePath.empty()) return;
    const QString path = QString::fromLocal8Bit(refusal.devicePath);
    // The watchdog retries every second: say it once per port and reason.
    if (refusal.reason == Reason::NoPermission) {
        if (!toldOnce("no permission " + refusal.devicePath)) return;
        announceWarning(
            QStringLiteral("No permission to open %1: see 'Device access' in the README").arg(path));
        return;
    }
    if (!toldOnce("in use " + refusal.devicePath)) return;
    const std::shared_ptr<FtDriver> driver = ftdriver::current();
    const std::string holder = driver ? driver->holderOf(refusal.devicePath) : std::string();
    const QString who = holder.empty() ? QStringLiteral("another program") : QString::fromLocal8Bit(holder);
    announceWarning(
        QStringLiteral("%1 is in use by %2: see 'When the icon stays red' in the README").arg(path, who));
}

void TfMain::announcePortlessBridges() {
    const std::shared_ptr<FtDriver> driver = ftdriver::current();
    if (!driver) return;
    // A bridge just plugged in has no port for a moment, until its driver has
    // made one: told only when it has none at two ticks in a row.
    std::set<std::string> portless;
    for (const FtDriver::PortlessBridge& bridge : driver->portlessBridges()) {
        const QByteArray description = QByteArray::fromStdString(bridge.description);
        if (!linktokens::isTorvik(linktokens::upperDescription(description))) continue;
        portless.insert(bridge.name);
        if (!portlessLastTick_.count(bridge.name) || !toldOnce("no port " + bridge.name)) continue;
        announceWarning(
            QStringLiteral("USB device %1 (%2) has no serial port: another driver has it or the "
                           "USB-serial driver is missing; see 'When the icon stays red' in the README")
                .arg(QString::fromStdString(bridge.name), codepage::decode(description)));
    }
    portlessLastTick_ = std::move(portless);
}

bool TfMain::toldOnce(const std::string& key) {
    return toldNotices_.insert(key).second;
}

void TfMain::announceWarning(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    TrayIcon1.SetBalloonHint(text);
    TrayIcon1.SetBalloonFlags(TBalloonFlags::bfWarning);
    TrayIcon1.ShowBalloonNotice();
}

void TfMain::announceUnavailableDriver() {
    // Said once per run, after the closed state so that it is the balloon left
    // up; the driver itself tells the debugger.
    if (driverReasonTold_) return;
    const std::shared_ptr<FtDriver> driver = ftdriver::current();
    const std::string reason = driver ? driver->unavailableReason() : std::string();
    if (reason.empty()) return;
    driverReasonTold_ = true;
    announceWarning(QString::fromStdString(reason));
}

void TfMain::SendCommand(const QString& command) {
    if (!Connected) {
        errorbox::show(QStringLiteral("Torvik not connected."));
        return;
    }
    const QByteArray line = codepage::encode(QString(command + u'\r'));
    const qsizetype copied = TextToBuffer(std::span<std::uint8_t>(D2XXUnit::TransmitBuffer), line);
    D2XXUnit::WriteFTDevice(copied);
}

void TfMain::SetProtocol(int Tag) {
    QString command;
    if (Tag >= 0 && Tag <= 5) {
        command = QStringLiteral("SP%1").arg(Tag);
    } else if (Tag == kTagReset) {
        command = QStringLiteral("reset");
    } else if (Tag == kTagMonitor) {
        // The switch flips before the link is looked at: without a link the
        // new state still goes out at the next open.
        MonitorOn = !MonitorOn;
        if (MonitorOn) {
            command = QStringLiteral("MON1");
            setMonitorImageIndex(kMenuImageMonitorOn);
            if (Connected) TrayIcon1.SetIconIndex(kIconOpenMonitorOn);
        } else {
            command = QStringLiteral("MON0");
            setMonitorImageIndex(kMenuImageMonitorOff);
            if (Connected) TrayIcon1.SetIconIndex(kIconOpenMonitorOff);
        }
    } else {
        return;  // no menu item carries another tag
    }
    SendCommand(command);
}

void TfMain::setStatusPanelText(const QString& text) {
    if (text == statusPanelText_) return;
    statusPanelText_ = text;
    emit statusPanelTextChanged(text);
}

void TfMain::setMonitorImageIndex(int index) {
    if (index == monitorImageIndex_) return;
    monitorImageIndex_ = index;
    emit monitorImageIndexChanged(index);
}
