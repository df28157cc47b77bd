#pragma once
// Puts every variable of the D2XX unit back to its start value, closing the
// handle first: the tests run many of the program's "processes" in one.

#include "device/d2xx_unit.h"

#include <cstring>

inline void resetD2xxUnit() {
    using namespace D2XXUnit;
    if (DeviceHandle) FT_Close(DeviceHandle);
    DeviceHandle = nullptr;
    IoStatus = 0;
    ReportErrors = true;
    DeviceCount = 0;
    std::memset(DescriptionBuffer, 0, sizeof DescriptionBuffer);
    std::memset(OpenName, 0, sizeof OpenName);
    std::memset(ReceiveBuffer, 0, sizeof ReceiveBuffer);
    std::memset(TransmitBuffer, 0, sizeof TransmitBuffer);
    RxQueueBytes = 0;
    BaudRate = 0;
    WordLength = StopBits = Parity = 0;
}
