#include "traffic.h"

#include <string>

namespace {
constexpr double kLinesPerSecond = 400;
constexpr long kLinesPerProtocol = 100000;  // about four minutes of each
}  // namespace

Traffic::Traffic() {
    sim_.answer("MON1", 0);
    sim_.answer("SP5", 0);
}

QString Traffic::lines(int lines) {
    std::string text;
    text.reserve(std::size_t(lines) * 32);
    for (int i = 0; i < lines; ++i, ++produced_) {
        if (produced_ % kLinesPerProtocol == kLinesPerProtocol - 1) {
            const int next = int(produced_ / kLinesPerProtocol) % 5 + 1;
            sim_.answer("SP" + std::to_string(next), now_);
        }
        text += sim_.nextTrafficLine(now_);
        now_ += 1.0 / kLinesPerSecond;
    }
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

QString Traffic::randomLines(int lines, std::mt19937& rng) {
    QString text;
    text.reserve(qsizetype(lines) * 29);
    std::uniform_int_distribution<int> printable(0x20, 0x7E);
    for (int i = 0; i < lines; ++i) {
        for (int c = 0; c < 28; ++c) text.append(QChar(printable(rng)));
        text.append(u'\r');
    }
    return text;
}
