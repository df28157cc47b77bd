#include "logview/paint/view_geometry.h"

#include <gtest/gtest.h>

#include <climits>

using namespace logview;

TEST(ScrollBarScale, SmallRangesAreTakenAsTheyAre) {
    EXPECT_EQ(barMaximum(0), 0);
    EXPECT_EQ(barMaximum(12345), 12345);
    EXPECT_EQ(toBar(77, 12345), 77);
    EXPECT_EQ(fromBar(77, 12345), 77);
    EXPECT_EQ(barPageStep(30, 12345), 30);
    EXPECT_EQ(toBar(-5, 100), 0);
    EXPECT_EQ(toBar(500, 100), 100);
}

TEST(ScrollBarScale, AnyLineCountMapsOntoTheBarAndBack) {
    // Past 2^31 lines (two months at the link rate), and as far as counts go.
    for (const qsizetype max : {kBarRangeLimit + 1, (qsizetype{1} << 31) + 5, qsizetype{1} << 40,
                                std::numeric_limits<qsizetype>::max() / 2}) {
        const int barMax = barMaximum(max);
        EXPECT_GT(barMax, 0);
        EXPECT_LE(qint64(barMax) + barPageStep(max, max), qint64(INT_MAX))
            << "room for the page step above it";
        EXPECT_EQ(toBar(0, max), 0);
        EXPECT_EQ(toBar(max, max), barMax);
        EXPECT_EQ(fromBar(0, max), 0);
        EXPECT_EQ(fromBar(barMax, max), max);
        EXPECT_GE(barPageStep(30, max), 1);
        int previous = -1;
        for (qsizetype p : {qsizetype{1}, max / 3, max / 2, max - 1}) {
            const int v = toBar(p, max);
            EXPECT_GE(v, previous);
            EXPECT_LE(v, barMax);
            previous = v;
            // The bar shows the same value again for the position it stands for.
            EXPECT_EQ(toBar(fromBar(v, max), max), v) << max << " " << p;
            EXPECT_LE(std::abs(fromBar(v, max) - p), max / barMax + 1);
        }
    }
}

TEST(ColumnPixels, ColumnsBeyondWhatAnIntCountsStayInSixtyFourBits) {
    EXPECT_EQ(columnLeft(47, 10, 0, 8), 127);
    // 300M columns in: 2.4 billion pixels.
    EXPECT_EQ(columnLeft(47, 300'000'000, 0, 8), 2'400'000'047);
    EXPECT_EQ(columnLeft(47, 80, 600'000'080, 8), 47 - 4'800'000'000LL);
}
