#pragma once
// The only code that talks to the USB bridge: one bridge per process, its handle,
// serial settings and transfer buffers as process-wide state, one wrapping
// operation per driver call, and one error report that names the failed operation.

#include "device/ftd2xx.h"

#include <QString>

#include <atomic>
#include <cstdint>

namespace D2XXUnit {

inline constexpr int kTransferBufferSize = 65536;
inline constexpr int kOpenNameSize = 50;

extern FT_HANDLE DeviceHandle;
// Status of the last read or write, and only of those. Both threads write it;
// the reader takes its own read's status from ReadFTDevice's out-parameter.
extern std::atomic<FT_STATUS> IoStatus;
extern std::atomic<bool> ReportErrors;
extern std::int32_t DeviceCount;
extern char DescriptionBuffer[FT_DESCRIPTION_SIZE];
extern char OpenName[kOpenNameSize];
extern std::uint8_t ReceiveBuffer[kTransferBufferSize];
extern std::uint8_t TransmitBuffer[kTransferBufferSize];
extern DWORD RxQueueBytes;
extern ULONG BaudRate;
extern UCHAR WordLength;
extern UCHAR StopBits;
extern UCHAR Parity;

FT_STATUS GetFTDeviceCount();
FT_STATUS GetFTDeviceDescription(std::int32_t index);
// Releases the handle that this open replaces before opening, so a bridge is
// never left held by this process after a failure.
FT_STATUS Open_USB_Device_By_Device_Description(QByteArrayView description);
// Gives the open handle back to the driver (a dead bridge's too) and leaves
// DeviceHandle null; does nothing while no handle is open. Reported as
// "FT_Close". Not while another thread is inside a call on the handle.
FT_STATUS CloseFTDevice();
// Reads at most min(count, the receive buffer's size) bytes into ReceiveBuffer.
// `status`, when given, receives this read's own status.
DWORD ReadFTDevice(std::int64_t count, FT_STATUS* status = nullptr);
// Writes min(count, the transmit buffer's size) bytes from TransmitBuffer.
DWORD WriteFTDevice(std::int64_t count);
FT_STATUS ResetFTDevice();
FT_STATUS SetFTDeviceBaudRate();
FT_STATUS SetFTDeviceDataCharacteristics();
FT_STATUS PurgeFTDeviceReceive();
FT_STATUS PurgeFTDeviceTransmit();
FT_STATUS SetFTDeviceTimeouts(DWORD readTimeoutMs, DWORD writeTimeoutMs);
FT_STATUS GetFTDeviceQueueStatus();

// Shows "<label><status text>" in the "Fehler" box while ReportErrors is on.
void ReportFTError(const QString& label, FT_STATUS status);
// The message the report shows: the label and the status's text for 1..17,
// empty for any other status.
QString FTErrorMessage(const QString& label, FT_STATUS status);

// DescriptionBuffer up to its first NUL, at most 64 bytes, bytes unchanged.
QByteArray ListedDescription();

}  // namespace D2XXUnit
