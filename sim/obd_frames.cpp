#include "sim/obd_frames.h"

#include <cstdio>

namespace obd {

namespace {

// Functional request and the first engine controller's answer, per protocol.
constexpr std::uint8_t kJ1850PwmRequest[] = {0x61, 0x6A, 0xF1};
constexpr std::uint8_t kJ1850PwmResponse[] = {0x41, 0x6B, 0x10};
constexpr std::uint8_t kIsoRequest[] = {0x68, 0x6A, 0xF1};  // also J1850 VPW
constexpr std::uint8_t kIsoResponse[] = {0x48, 0x6B, 0x10};
constexpr std::uint8_t kKwpTarget = 0x33, kKwpTester = 0xF1, kKwpEcu = 0x10;
constexpr std::uint8_t kKwpFunctional = 0xC0, kKwpPhysical = 0x80;  // | payload length
constexpr const char* kCanRequestId = "7DF";
constexpr const char* kCanResponseId = "7E8";
constexpr std::uint8_t kMode01 = 0x01, kMode01Answer = 0x41;

std::string hexLine(const std::vector<std::uint8_t>& bytes, const char* prefix = nullptr) {
    std::string line = prefix ? prefix : "";
    for (const std::uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", b);
        if (!line.empty()) line += ' ';
        line += hex;
    }
    return line;
}

std::string framed(int protocol, const std::vector<std::uint8_t>& payload, bool fromEcu) {
    std::vector<std::uint8_t> frame;
    auto header = [&](const std::uint8_t(&bytes)[3]) { frame.assign(bytes, bytes + 3); };
    switch (protocol) {
        case J1850Pwm:
            header(fromEcu ? kJ1850PwmResponse : kJ1850PwmRequest);
            break;
        case J1850Vpw:
        case Iso9141:
            header(fromEcu ? kIsoResponse : kIsoRequest);
            break;
        case Iso14230: {
            const auto length = static_cast<std::uint8_t>(payload.size());
            frame = fromEcu
                        ? std::vector<std::uint8_t>{std::uint8_t(kKwpPhysical | length), kKwpTester, kKwpEcu}
                        : std::vector<std::uint8_t>{std::uint8_t(kKwpFunctional | length), kKwpTarget,
                                                    kKwpTester};
            break;
        }
        case Iso15765: {
            // Single frame: length byte, payload, padded to eight bytes.
            std::vector<std::uint8_t> data{static_cast<std::uint8_t>(payload.size())};
            data.insert(data.end(), payload.begin(), payload.end());
            data.resize(8, 0x00);
            return hexLine(data, fromEcu ? kCanResponseId : kCanRequestId);
        }
        default:
            return {};
    }
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(protocol == J1850Pwm || protocol == J1850Vpw ? j1850Crc(frame) : isoChecksum(frame));
    return hexLine(frame);
}

}  // namespace

const char* protocolName(int protocol) {
    static const char* const kNames[kProtocolCount] = {"NONE",       "J1850 PWM",   "J1850 VPW",
                                                       "ISO 9141-2", "ISO 14230-4", "ISO 15765-4"};
    return protocol >= 0 && protocol < kProtocolCount ? kNames[protocol] : "";
}

std::uint8_t j1850Crc(const std::vector<std::uint8_t>& bytes) {
    std::uint8_t crc = 0xFF;
    for (const std::uint8_t b : bytes) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? std::uint8_t((crc << 1) ^ 0x1D) : std::uint8_t(crc << 1);
    }
    return static_cast<std::uint8_t>(~crc);
}

std::uint8_t isoChecksum(const std::vector<std::uint8_t>& bytes) {
    unsigned sum = 0;
    for (const std::uint8_t b : bytes) sum += b;
    return static_cast<std::uint8_t>(sum);
}

std::string request(int protocol, std::uint8_t pid) {
    return framed(protocol, {kMode01, pid}, false);
}

std::string response(int protocol, std::uint8_t pid, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> payload{kMode01Answer, pid};
    payload.insert(payload.end(), data.begin(), data.end());
    return framed(protocol, payload, true);
}

}  // namespace obd
