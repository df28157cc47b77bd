#include "logview/paint/view_geometry.h"

#include <algorithm>

namespace logview {

int barMaximum(qsizetype max) {
    return int(std::clamp<qsizetype>(max, 0, kBarRangeLimit));
}

int toBar(qsizetype position, qsizetype max) {
    position = std::clamp<qsizetype>(position, 0, std::max<qsizetype>(max, 0));
    if (max <= kBarRangeLimit) return int(position);
    return int((unsigned __int128)position * kBarRangeLimit / (unsigned __int128)max);
}

qsizetype fromBar(int value, qsizetype max) {
    value = std::clamp(value, 0, barMaximum(max));
    if (max <= kBarRangeLimit) return value;
    // Rounded up, so that the bar shows the same value again for the position.
    const auto scaled = (unsigned __int128)value * (unsigned __int128)max;
    return qsizetype((scaled + kBarRangeLimit - 1) / kBarRangeLimit);
}

int barPageStep(qsizetype page, qsizetype max) {
    if (max <= kBarRangeLimit) return int(std::clamp<qsizetype>(page, 0, kBarRangeLimit - 1));
    return int(std::clamp<qsizetype>(qsizetype((unsigned __int128)page * kBarRangeLimit / max), 1,
                                     kBarRangeLimit - 1));
}

}  // namespace logview
