#include "sim/ecu_simulator.h"

#include "sim/obd_frames.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

namespace {

constexpr std::uint8_t kPidCoolant = 0x05, kPidRpm = 0x0C, kPidSpeed = 0x0D;
constexpr std::uint8_t kPolledPids[] = {kPidRpm, kPidSpeed, kPidCoolant};
constexpr double kPi = 3.14159265358979323846;

std::string normalised(std::string_view line) {
    std::string text;
    for (const char c : line) text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string EcuSimulator::answer(std::string_view line, double nowSeconds) {
    if (startedAt_ < 0) startedAt_ = nowSeconds;
    const std::string command = normalised(line);
    if (command.empty()) return {};
    if (command.size() == 3 && command.compare(0, 2, "SP") == 0 && command[2] >= '0' &&
        command[2] < '0' + obd::kProtocolCount) {
        protocol_ = command[2] - '0';
        step_ = 0;  // the new protocol's traffic starts with a request
        return "OK PROTOCOL " + std::to_string(protocol_) + " " + obd::protocolName(protocol_) + "\r";
    }
    if (command == "RESET") {
        // A restart of the emulated car: engine back to idle, polling from the top.
        startedAt_ = nowSeconds;
        step_ = 0;
        return "OK RESET\r";
    }
    if (command == "MON1") {
        monitorOn_ = true;
        return "OK MONITOR ON\r";
    }
    if (command == "MON0") {
        monitorOn_ = false;
        return "OK MONITOR OFF\r";
    }
    return "ERROR UNKNOWN COMMAND\r";
}

std::string EcuSimulator::answerOverlongLine() const {
    return "ERROR LINE TOO LONG\r";
}

std::string EcuSimulator::nextTrafficLine(double nowSeconds) {
    if (startedAt_ < 0) startedAt_ = nowSeconds;
    const double t = nowSeconds - startedAt_;
    const std::uint8_t pid = kPolledPids[(step_ / 2) % std::size(kPolledPids)];
    const bool isResponse = step_ % 2 == 1;
    ++step_;
    if (!isResponse) return obd::request(protocol_, pid) + "\r";

    std::vector<std::uint8_t> data;
    switch (pid) {
        case kPidRpm: {
            const unsigned quarterRpm = engineRpm(t) * 4u;  // the PID counts quarter revolutions
            data = {static_cast<std::uint8_t>(quarterRpm >> 8), static_cast<std::uint8_t>(quarterRpm)};
            break;
        }
        case kPidSpeed:
            data = {vehicleSpeedKmh(t)};
            break;
        default:
            data = {static_cast<std::uint8_t>(coolantCelsius(t) + 40)};  // offset by 40 °C
            break;
    }
    return obd::response(protocol_, pid, data) + "\r";
}

// A 30-second drive cycle: idle, pull away, cruise, slow down.
std::uint16_t EcuSimulator::engineRpm(double seconds) const {
    const double phase = 0.5 - 0.5 * std::cos(2 * kPi * seconds / 30.0);
    return static_cast<std::uint16_t>(800 + 2400 * phase);
}

std::uint8_t EcuSimulator::vehicleSpeedKmh(double seconds) const {
    const double phase = 0.5 - 0.5 * std::cos(2 * kPi * seconds / 30.0);
    return static_cast<std::uint8_t>(std::lround(110 * phase));
}

int EcuSimulator::coolantCelsius(double seconds) const {
    return std::min(90, 20 + static_cast<int>(seconds / 2));
}
