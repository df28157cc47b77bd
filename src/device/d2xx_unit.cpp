#include "device/d2xx_unit.h"

#include "text/error_box.h"

#include <algorithm>
#include <cstring>

namespace D2XXUnit {

FT_HANDLE DeviceHandle = nullptr;
std::atomic<FT_STATUS> IoStatus{0};
std::atomic<bool> ReportErrors{true};
std::int32_t DeviceCount = 0;
char DescriptionBuffer[FT_DESCRIPTION_SIZE] = {};
char OpenName[kOpenNameSize] = {};
std::uint8_t ReceiveBuffer[kTransferBufferSize] = {};
std::uint8_t TransmitBuffer[kTransferBufferSize] = {};
DWORD RxQueueBytes = 0;
ULONG BaudRate = 0;
UCHAR WordLength = 0;
UCHAR StopBits = 0;
UCHAR Parity = 0;

namespace {

DWORD clampToBuffer(std::int64_t count) {
    return static_cast<DWORD>(std::clamp<std::int64_t>(count, 0, kTransferBufferSize));
}

FT_STATUS reported(const char* label, FT_STATUS status) {
    if (status != FT_OK) ReportFTError(QString::fromLatin1(label), status);
    return status;
}

const char* statusText(FT_STATUS status) {
    static const char* const texts[] = {
        " - Invalid handle...",
        " - Device not found...",
        " - Device not opened...",
        " - General IO error...",
        " - Insufficient resources...",
        " - Invalid parameter...",
        " - Invalid baud rate...",
        " Device not opened for erase...",
        " Device not opened for write...",
        " - Failed to write...",
        " - EEPROM read failed...",
        " - EEPROM write failed...",
        " - EEPROM erase failed...",
        " - EEPROM not present...",
        " - EEPROM not programmed...",
        " - Invalid arguments...",
        " - Other error ...",
    };
    if (status < 1 || status > 17) return nullptr;
    return texts[status - 1];
}

}  // namespace

QString FTErrorMessage(const QString& label, FT_STATUS status) {
    const char* text = statusText(status);
    if (!text) return QString();
    return label + QString::fromLatin1(text);
}

void ReportFTError(const QString& label, FT_STATUS status) {
    if (!ReportErrors.load()) return;
    if (status == FT_OK) return;
    errorbox::show(FTErrorMessage(label, status));
}

FT_STATUS GetFTDeviceCount() {
    DWORD count = static_cast<DWORD>(DeviceCount);
    const FT_STATUS status = FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY);
    // The count is a 32-bit signed value: one of 2^31 or more reads as negative,
    // which the listing's callers take as no bridge at all.
    DeviceCount = static_cast<std::int32_t>(count);
    return reported("GetFTDeviceCount", status);
}

FT_STATUS GetFTDeviceDescription(std::int32_t index) {
    // The index travels in the pointer argument, as the driver API wants it.
    void* indexArg = reinterpret_cast<void*>(static_cast<std::uintptr_t>(static_cast<DWORD>(index)));
    const FT_STATUS status =
        FT_ListDevices(indexArg, DescriptionBuffer, FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION);
    return reported("GetFTDeviceDescription", status);
}

FT_STATUS Open_USB_Device_By_Device_Description(QByteArrayView description) {
    OpenName[0] = '\0';
    const auto n = static_cast<std::size_t>(std::min<qsizetype>(description.size(), kOpenNameSize - 1));
    if (n > 0) {
        std::memcpy(OpenName, description.data(), n);
        OpenName[n] = '\0';
    }
    CloseFTDevice();
    const FT_STATUS status = FT_OpenEx(OpenName, FT_OPEN_BY_DESCRIPTION, &DeviceHandle);
    return reported("Open_USB_Device_By_Device_Description", status);
}

FT_STATUS CloseFTDevice() {
    if (!DeviceHandle) return FT_OK;
    const FT_HANDLE closing = DeviceHandle;
    DeviceHandle = nullptr;
    return reported("FT_Close", FT_Close(closing));
}

DWORD ReadFTDevice(std::int64_t count, FT_STATUS* ownStatus) {
    DWORD got = 0;
    const FT_STATUS status = FT_Read(DeviceHandle, ReceiveBuffer, clampToBuffer(count), &got);
    IoStatus = status;
    if (ownStatus) *ownStatus = status;
    reported("FT_Read", status);
    return std::min<DWORD>(got, kTransferBufferSize);
}

DWORD WriteFTDevice(std::int64_t count) {
    DWORD written = 0;
    const FT_STATUS status = FT_Write(DeviceHandle, TransmitBuffer, clampToBuffer(count), &written);
    IoStatus = status;
    reported("FT_Write", status);
    return written;
}

FT_STATUS ResetFTDevice() {
    return reported("FT_ResetDevice", FT_ResetDevice(DeviceHandle));
}

FT_STATUS SetFTDeviceBaudRate() {
    return reported("FT_SetBaudRate", FT_SetBaudRate(DeviceHandle, BaudRate));
}

FT_STATUS SetFTDeviceDataCharacteristics() {
    return reported("FT_SetDataCharacteristics",
                    FT_SetDataCharacteristics(DeviceHandle, WordLength, StopBits, Parity));
}

FT_STATUS PurgeFTDeviceReceive() {
    return reported("FT_Purge RX", FT_Purge(DeviceHandle, FT_PURGE_RX));
}

FT_STATUS PurgeFTDeviceTransmit() {
    return reported("FT_Purge TX", FT_Purge(DeviceHandle, FT_PURGE_TX));
}

FT_STATUS SetFTDeviceTimeouts(DWORD readTimeoutMs, DWORD writeTimeoutMs) {
    return reported("FT_SetTimeouts", FT_SetTimeouts(DeviceHandle, readTimeoutMs, writeTimeoutMs));
}

FT_STATUS GetFTDeviceQueueStatus() {
    return reported("FT_GetQueueStatus", FT_GetQueueStatus(DeviceHandle, &RxQueueBytes));
}

QByteArray ListedDescription() {
    const auto* end =
        static_cast<const char*>(std::memchr(DescriptionBuffer, '\0', sizeof DescriptionBuffer));
    const qsizetype n = end ? end - DescriptionBuffer : qsizetype(sizeof DescriptionBuffer);
    return QByteArray(DescriptionBuffer, n);
}

}  // namespace D2XXUnit
