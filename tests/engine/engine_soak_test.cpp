#include "engine_fixture.h"

#include <QDir>

namespace {
int threadCount() {
    return static_cast<int>(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}
}  // namespace

TEST_F(EngineTest, ThousandUnplugReplugCyclesLoseNothingAndLeakNothing) {
    const auto id = driver->addBridge("TORVIK ECU Simulator");
    QString expected;
    int threadsAfterFirst = -1;
    int handlesAfterFirst = -1;
    for (int cycle = 0; cycle < 1000; ++cycle) {
        ASSERT_TRUE(openLink()) << "cycle " << cycle;
        const QByteArray bytes = "cycle " + QByteArray::number(cycle) + " \x01\xff\r";
        // Two feeds: a cycle may well catch them apart.
        driver->feed(id, bytes.left(4));
        driver->feed(id, bytes.mid(4));
        expected += QString::fromLatin1(bytes.left(bytes.size() - 3)) + QChar(0x01) + QChar(0xFF) + u'\n';
        ASSERT_TRUE(pumpUntil([&] { return log.lineCount() == cycle + 2; }, 10000)) << "cycle " << cycle;
        driver->unplug(id);
        ASSERT_TRUE(waitReaderEnded(10000)) << "cycle " << cycle;
        ASSERT_FALSE(engine->Connected.load());
        driver->replug(id);
        if (cycle == 0) {
            threadsAfterFirst = threadCount();
            handlesAfterFirst = driver->openHandleCount();
        }
    }
    EXPECT_EQ(logText(), expected);
    // The last reader reports its end a moment before its thread is gone from the process.
    EXPECT_TRUE(pumpUntil([&] { return threadCount() <= threadsAfterFirst; }, 5000))
        << threadCount() << " threads, " << threadsAfterFirst << " after the first cycle";
    EXPECT_EQ(driver->openHandleCount(), handlesAfterFirst);
}
