#pragma once
// The emulated unit: it answers command lines and, while its monitor is on and a
// protocol is selected, produces OBD-II traffic: a tester polling engine speed,
// vehicle speed and coolant temperature, and the engine controller answering.

#include <cstdint>
#include <string>
#include <string_view>

class EcuSimulator {
public:
    // The answer to one command line (its CR removed), CR-terminated; empty for
    // an empty line. `nowSeconds` is the time on any steady clock.
    std::string answer(std::string_view line, double nowSeconds);
    // The answer to a line that was too long to be a command.
    std::string answerOverlongLine() const;

    bool producesTraffic() const { return monitorOn_ && protocol_ != 0; }
    // The next monitor line, CR-terminated.
    std::string nextTrafficLine(double nowSeconds);

    int protocol() const { return protocol_; }
    bool monitorOn() const { return monitorOn_; }

private:
    // Engine state as the emulated car warms up and drives after a (re)start.
    std::uint16_t engineRpm(double seconds) const;
    std::uint8_t vehicleSpeedKmh(double seconds) const;
    int coolantCelsius(double seconds) const;

    int protocol_ = 0;
    bool monitorOn_ = false;
    double startedAt_ = -1;  // set by the first answer or traffic line
    unsigned step_ = 0;
};
