#include "device/d2xx_unit.h"

#include "device/simulated_driver.h"
#include "support/d2xx_unit_reset.h"
#include "support/error_box_recorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

using namespace D2XXUnit;
using Call = SimulatedDriver::Call;

namespace {

class D2XXUnitTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetD2xxUnit();
        previous_ = ftdriver::install(driver_);
    }
    void TearDown() override {
        resetD2xxUnit();
        ftdriver::install(previous_);
    }

    // Opens a freshly added bridge with the given description.
    SimulatedDriver::BridgeId openBridge(const std::string& description = "TORVIK ECU SIMULATOR") {
        const auto id = driver_->addBridge(description);
        EXPECT_EQ(Open_USB_Device_By_Device_Description(QByteArray::fromStdString(description)), FT_OK);
        return id;
    }

    std::shared_ptr<SimulatedDriver> driver_ = std::make_shared<SimulatedDriver>();
    std::shared_ptr<FtDriver> previous_;
    ErrorBoxRecorder boxes_;
};

TEST_F(D2XXUnitTest, StartValues) {
    EXPECT_EQ(DeviceHandle, nullptr);
    EXPECT_EQ(IoStatus.load(), 0);
    EXPECT_TRUE(ReportErrors.load());
    EXPECT_EQ(DeviceCount, 0);
    EXPECT_EQ(RxQueueBytes, 0u);
    EXPECT_EQ(sizeof ReceiveBuffer, 65536u);
    EXPECT_EQ(sizeof TransmitBuffer, 65536u);
    EXPECT_EQ(sizeof DescriptionBuffer, 64u);
    EXPECT_EQ(sizeof OpenName, 50u);
}

TEST_F(D2XXUnitTest, ErrorReportTextsAndSwitch) {
    const std::pair<FT_STATUS, const char*> table[] = {
        {1, "L - Invalid handle..."},
        {2, "L - Device not found..."},
        {3, "L - Device not opened..."},
        {4, "L - General IO error..."},
        {5, "L - Insufficient resources..."},
        {6, "L - Invalid parameter..."},
        {7, "L - Invalid baud rate..."},
        {8, "L Device not opened for erase..."},
        {9, "L Device not opened for write..."},
        {10, "L - Failed to write..."},
        {11, "L - EEPROM read failed..."},
        {12, "L - EEPROM write failed..."},
        {13, "L - EEPROM erase failed..."},
        {14, "L - EEPROM not present..."},
        {15, "L - EEPROM not programmed..."},
        {16, "L - Invalid arguments..."},
        {17, "L - Other error ..."},
    };
    for (const auto& [status, text] : table)
        EXPECT_EQ(FTErrorMessage("L", status), QString::fromLatin1(text));

    // Outside 1..17 the box shows an empty message; 0 shows nothing at all.
    for (FT_STATUS s : {18, 19, -1, 0x7FFFFFFF}) ReportFTError("L", s);
    ReportFTError("L", 0);
    ASSERT_EQ(boxes_.count(), 4);
    for (const QString& t : boxes_.texts()) EXPECT_TRUE(t.isEmpty());
    for (const QString& t : boxes_.titles()) EXPECT_EQ(t, "Fehler");

    ReportErrors = false;
    ReportFTError("L", 4);
    EXPECT_EQ(boxes_.count(), 4);
}

TEST_F(D2XXUnitTest, EachOperationReportsUnderItsOwnLabel) {
    openBridge();
    struct Case {
        Call call;
        std::function<void()> run;
        const char* label;
    };
    const Case cases[] = {
        {Call::Count, [] { GetFTDeviceCount(); }, "GetFTDeviceCount"},
        {Call::Description, [] { GetFTDeviceDescription(0); }, "GetFTDeviceDescription"},
        {Call::Reset, [] { ResetFTDevice(); }, "FT_ResetDevice"},
        {Call::BaudRate, [] { SetFTDeviceBaudRate(); }, "FT_SetBaudRate"},
        {Call::DataCharacteristics, [] { SetFTDeviceDataCharacteristics(); }, "FT_SetDataCharacteristics"},
        {Call::Timeouts, [] { SetFTDeviceTimeouts(100, 100); }, "FT_SetTimeouts"},
        {Call::Purge, [] { PurgeFTDeviceReceive(); }, "FT_Purge RX"},
        {Call::Purge, [] { PurgeFTDeviceTransmit(); }, "FT_Purge TX"},
        {Call::QueueStatus, [] { GetFTDeviceQueueStatus(); }, "FT_GetQueueStatus"},
        {Call::Read, [] { ReadFTDevice(1); }, "FT_Read"},
        {Call::Write, [] { WriteFTDevice(1); }, "FT_Write"},
        {Call::Open, [] { Open_USB_Device_By_Device_Description("TORVIK ECU SIMULATOR"); },
         "Open_USB_Device_By_Device_Description"},
    };
    for (const Case& c : cases) {
        driver_->failNext(c.call, FT_IO_ERROR);
        c.run();
        ASSERT_FALSE(boxes_.texts().isEmpty()) << c.label;
        EXPECT_EQ(boxes_.texts().back(), QString::fromLatin1(c.label) + " - General IO error...");
    }
    EXPECT_EQ(boxes_.count(), static_cast<int>(std::size(cases)));
}

TEST_F(D2XXUnitTest, FailingCallsAreSilentWithTheReportOffAndKeepTheirStatus) {
    openBridge();
    ReportErrors = false;
    driver_->failNext(Call::Purge, FT_IO_ERROR);
    EXPECT_EQ(PurgeFTDeviceReceive(), FT_IO_ERROR);
    driver_->failNext(Call::Write, FT_FAILED_TO_WRITE_DEVICE);
    WriteFTDevice(3);
    EXPECT_EQ(IoStatus.load(), FT_FAILED_TO_WRITE_DEVICE);
    EXPECT_EQ(boxes_.count(), 0);
}

TEST_F(D2XXUnitTest, ConfigurationReachesTheDriverInArgumentOrder) {
    openBridge();
    driver_->clearCalls();
    BaudRate = 115200;
    WordLength = FT_BITS_8;
    StopBits = FT_STOP_BITS_1;
    Parity = FT_PARITY_NONE;
    EXPECT_EQ(ResetFTDevice(), FT_OK);
    EXPECT_EQ(SetFTDeviceDataCharacteristics(), FT_OK);
    EXPECT_EQ(SetFTDeviceBaudRate(), FT_OK);
    EXPECT_EQ(SetFTDeviceTimeouts(100, 250), FT_OK);
    EXPECT_EQ(PurgeFTDeviceReceive(), FT_OK);
    EXPECT_EQ(PurgeFTDeviceTransmit(), FT_OK);
    const std::vector<std::string> expected = {"reset",   "data 8 0 0", "baud 115200", "timeouts 100 250",
                                               "purge 1", "purge 2"};
    EXPECT_EQ(driver_->calls(), expected);
    // Configuration never touches the read/write status.
    EXPECT_EQ(IoStatus.load(), 0);
}

TEST_F(D2XXUnitTest, OpenNameIsCutAt49Bytes) {
    driver_->addBridge(std::string(49, 'A'));
    const QByteArray sixty(60, 'B');
    Open_USB_Device_By_Device_Description(sixty);
    EXPECT_EQ(std::strlen(OpenName), 49u);
    EXPECT_EQ(QByteArray(OpenName), sixty.left(49));
    EXPECT_EQ(driver_->calls().back(), "open " + std::string(49, 'B'));

    EXPECT_EQ(Open_USB_Device_By_Device_Description(QByteArray(49, 'A')), FT_OK);
    EXPECT_EQ(QByteArray(OpenName), QByteArray(49, 'A'));

    Open_USB_Device_By_Device_Description(QByteArray(50, 'C'));
    EXPECT_EQ(QByteArray(OpenName), QByteArray(49, 'C'));

    Open_USB_Device_By_Device_Description(QByteArray());
    EXPECT_EQ(OpenName[0], '\0');
    EXPECT_EQ(driver_->calls().back(), "open ");

    // A description without any NUL and longer than the buffer stays within it.
    Open_USB_Device_By_Device_Description(QByteArray(64, 'D'));
    EXPECT_EQ(QByteArray(OpenName), QByteArray(49, 'D'));
}

TEST_F(D2XXUnitTest, ListingByIndexAndPastTheEnd) {
    driver_->addBridge("First");
    driver_->addBridge(std::string(70, 'x'));  // the driver keeps 63 bytes and a NUL
    EXPECT_EQ(GetFTDeviceCount(), FT_OK);
    EXPECT_EQ(DeviceCount, 2);
    EXPECT_EQ(GetFTDeviceDescription(0), FT_OK);
    EXPECT_EQ(ListedDescription(), "First");
    EXPECT_EQ(GetFTDeviceDescription(1), FT_OK);
    EXPECT_EQ(ListedDescription(), QByteArray(63, 'x'));

    ReportErrors = false;
    // Past the end or negative: a status, and the buffer keeps what it held.
    EXPECT_EQ(GetFTDeviceDescription(2), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(GetFTDeviceDescription(-1), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(ListedDescription(), QByteArray(63, 'x'));

    // A buffer without any NUL is read as its whole 64 bytes.
    std::memset(DescriptionBuffer, 'z', sizeof DescriptionBuffer);
    EXPECT_EQ(ListedDescription(), QByteArray(64, 'z'));
}

TEST_F(D2XXUnitTest, CountIsTakenAsA32BitSignedValue) {
    // A driver that reports a fixed count, whatever is attached.
    struct FixedCountDriver : SimulatedDriver {
        DWORD reported = 0;
        FT_STATUS count(DWORD* count) override {
            *count = reported;
            return FT_OK;
        }
    };
    auto driver = std::make_shared<FixedCountDriver>();
    ftdriver::install(driver);
    const std::pair<DWORD, std::int32_t> cases[] = {
        {3, 3},
        {0x7FFFFFFFu, 0x7FFFFFFF},
        {0x80000000u, INT32_MIN},
        {0xFFFFFFFFu, -1},
    };
    for (const auto& [reported, expected] : cases) {
        driver->reported = reported;
        EXPECT_EQ(GetFTDeviceCount(), FT_OK);
        EXPECT_EQ(DeviceCount, expected) << "reported " << reported;
    }
}

TEST_F(D2XXUnitTest, IoStatusBelongsToTheLastReadOrWrite) {
    const auto id = openBridge();
    ReportErrors = false;
    driver_->failNext(Call::Write, FT_IO_ERROR);
    WriteFTDevice(2);
    EXPECT_EQ(IoStatus.load(), FT_IO_ERROR);
    driver_->feed(id, "ok");
    FT_STATUS own = -1;
    EXPECT_EQ(ReadFTDevice(2, &own), 2u);
    EXPECT_EQ(own, FT_OK);
    EXPECT_EQ(IoStatus.load(), FT_OK);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(ReceiveBuffer), 2), "ok");
    // Other operations leave it alone.
    driver_->failNext(Call::Purge, FT_IO_ERROR);
    PurgeFTDeviceReceive();
    EXPECT_EQ(IoStatus.load(), FT_OK);
}

TEST_F(D2XXUnitTest, ReadsNeverAskForMoreThanTheBufferHolds) {
    const auto id = openBridge();
    driver_->feed(id, QByteArray(100000, 'r'));
    EXPECT_EQ(ReadFTDevice(100000), 65536u);
    EXPECT_EQ(driver_->queued(id), 100000u - 65536u);
    EXPECT_EQ(ReadFTDevice(0xFFFFFFFFll), 100000u - 65536u);
    driver_->feed(id, "abc");
    EXPECT_EQ(ReadFTDevice(-5), 0u);  // a negative count reads nothing
    EXPECT_EQ(driver_->queued(id), 3u);
}

TEST_F(D2XXUnitTest, WritesSendTheTransmitBufferAndStayWithinIt) {
    const auto id = openBridge();
    std::memcpy(TransmitBuffer, "SP3\r", 4);
    EXPECT_EQ(WriteFTDevice(4), 4u);
    EXPECT_EQ(driver_->written(id), QByteArray("SP3\r"));
    driver_->clearWritten(id);
    EXPECT_EQ(WriteFTDevice(1 << 20), 65536u);
    EXPECT_EQ(WriteFTDevice(-1), 0u);
    EXPECT_EQ(driver_->written(id).size(), 65536);
}

TEST_F(D2XXUnitTest, NullAndStaleHandlesGiveInvalidHandle) {
    ReportErrors = false;
    ReadFTDevice(10);
    EXPECT_EQ(IoStatus.load(), FT_INVALID_HANDLE);
    WriteFTDevice(10);
    EXPECT_EQ(IoStatus.load(), FT_INVALID_HANDLE);
    EXPECT_EQ(GetFTDeviceQueueStatus(), FT_INVALID_HANDLE);
    EXPECT_EQ(ResetFTDevice(), FT_INVALID_HANDLE);

    openBridge("One");
    FT_HANDLE stale = DeviceHandle;
    openBridge("Two");  // releases the handle of "One"
    DeviceHandle = stale;
    EXPECT_EQ(GetFTDeviceQueueStatus(), FT_INVALID_HANDLE);
    ReadFTDevice(1);
    EXPECT_EQ(IoStatus.load(), FT_INVALID_HANDLE);
    DeviceHandle = nullptr;
}

TEST_F(D2XXUnitTest, ReopeningReleasesTheHandleItReplaces) {
    ReportErrors = false;
    const auto id = driver_->addBridge("TORVIK ECU SIMULATOR");
    for (int cycle = 0; cycle < 1000; ++cycle) {
        ASSERT_EQ(Open_USB_Device_By_Device_Description("TORVIK ECU SIMULATOR"), FT_OK) << cycle;
        ASSERT_EQ(driver_->openHandleCount(), 1);
        driver_->unplug(id);
        ASSERT_EQ(GetFTDeviceQueueStatus(), FT_IO_ERROR);
        driver_->replug(id);
    }
    // Without the release, the bridge would stay held by this process after a
    // transient failure and every reopen would fail.
    ASSERT_EQ(Open_USB_Device_By_Device_Description("TORVIK ECU SIMULATOR"), FT_OK);
    ASSERT_EQ(Open_USB_Device_By_Device_Description("TORVIK ECU SIMULATOR"), FT_OK);
    EXPECT_EQ(driver_->openHandleCount(), 1);
}

TEST_F(D2XXUnitTest, NoDriverMeansNoBridges) {
    ftdriver::install(nullptr);
    ReportErrors = false;
    DeviceCount = 5;
    EXPECT_EQ(GetFTDeviceCount(), FT_OK);
    EXPECT_EQ(DeviceCount, 0);
    EXPECT_NE(Open_USB_Device_By_Device_Description("TORVIK"), FT_OK);
    EXPECT_EQ(DeviceHandle, nullptr);
}

}  // namespace
