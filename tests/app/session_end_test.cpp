// The signals that end a session end the program as "Exit" does, and a pipe
// whose reader goes away makes a save fail instead of killing the program.
#include "app/session_end.h"

#include "logstore/log_file_writer.h"
#include "logstore/log_model.h"
#include "support/error_box_recorder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <thread>

namespace {

TEST(SessionEnd, EachEndSignalAsksForTheEndFromTheEventLoop) {
    app::SessionEndSignals watcher;
    QSignalSpy ended(&watcher, &app::SessionEndSignals::endRequested);
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        ended.clear();
        ASSERT_EQ(std::raise(signalNumber), 0);
        ASSERT_TRUE(ended.wait(2000)) << "signal " << signalNumber;
        EXPECT_EQ(ended.first().first().toInt(), signalNumber);
    }
    EXPECT_TRUE(watcher.requested());
}

// A reader that takes 100 bytes and leaves: before, the next write's SIGPIPE
// ended the program and the whole log was lost.
TEST(SessionEndDeathTest, SavingIntoAPipeWhoseReaderLeavesIsAFailedWrite) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            app::ignoreBrokenPipes();
            QTemporaryDir dir;
            const QByteArray fifo = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
            if (::mkfifo(fifo.constData(), 0600) != 0) std::_Exit(3);
            LogModel model;
            for (int i = 0; i < 100000; ++i) model.append(u"0123456789 0123456789\r");
            const int fd = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
            std::thread reader([fd] {
                ::fcntl(fd, F_SETFL, 0);
                char taken[100];
                size_t total = 0;
                while (total < sizeof taken) {
                    const ssize_t n = ::read(fd, taken + total, sizeof taken - total);
                    if (n > 0) total += static_cast<size_t>(n);
                }
                ::close(fd);
            });
            ErrorBoxRecorder errors;
            const bool saved = logfile::save(model, QFile::decodeName(fifo));
            reader.join();
            const bool reported = errors.texts() == QStringList{logfile::kWriteErrorText + u'.'};
            std::fprintf(stderr, "saved=%d reported=%d\n", saved, reported);
            std::_Exit(!saved && reported ? 0 : 4);
        },
        ::testing::ExitedWithCode(0), "saved=0 reported=1");
}

}  // namespace
