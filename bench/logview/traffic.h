#pragma once
// The simulator's monitor traffic for benchmarks: the emulated unit's own lines
// (requests and answers with changing engine speed, vehicle speed and coolant
// temperature) at 400 lines a second, moving through the CAN and the
// header/check-byte protocols, cut into batches as the reader would hand them over.

#include "sim/ecu_simulator.h"

#include <QString>

#include <random>

class Traffic {
public:
    Traffic();
    // The next `lines` lines, each ending in CR.
    QString lines(int lines);
    // Random printable lines of the same length as the traffic's (nothing to compress).
    static QString randomLines(int lines, std::mt19937& rng);

private:
    EcuSimulator sim_;
    double now_ = 0;
    long produced_ = 0;
};
