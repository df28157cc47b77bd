// The guard across real processes: each copy is a guard_probe started with its
// own runtime directory, so the tests never meet the user's real record.

#include "app/check_previous.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr int kWaitMs = 15000;

class GuardProcesses : public ::testing::Test {
protected:
    using Copy = std::unique_ptr<QProcess>;

    void SetUp() override { ASSERT_TRUE(runtime_.isValid()); }

    void TearDown() override {
        for (auto& copy : copies_) {
            if (copy->state() != QProcess::NotRunning) {
                copy->kill();
                copy->waitForFinished(kWaitMs);
            }
        }
    }

    // Starts a copy that waits for "go" before it runs the guard.
    QProcess* launch(CheckPrevious::WindowHandle handle, int maxCount,
                     const QString& program = QStringLiteral(GUARD_PROBE)) {
        auto copy = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TORVIK_RUNTIME_DIR"), runtime_.path());
        copy->setProcessEnvironment(env);
        copy->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        copy->start(program, {QString::number(handle), QString::number(maxCount)});
        EXPECT_TRUE(copy->waitForStarted(kWaitMs));
        copies_.push_back(std::move(copy));
        return copies_.back().get();
    }

    static void go(QProcess* copy) { copy->write("go\n"); }

    static QString nextLine(QProcess* copy) {
        while (!copy->canReadLine()) {
            if (!copy->waitForReadyRead(kWaitMs)) return QStringLiteral("<no answer>");
        }
        return QString::fromUtf8(copy->readLine()).trimmed();
    }

    QProcess* start(CheckPrevious::WindowHandle handle, int maxCount,
                    const QString& program = QStringLiteral(GUARD_PROBE)) {
        QProcess* copy = launch(handle, maxCount, program);
        go(copy);
        return copy;
    }

    static void quit(QProcess* copy) {
        copy->write("quit\n");
        ASSERT_TRUE(copy->waitForFinished(kWaitMs));
        EXPECT_EQ(copy->exitCode(), 0);
    }

    CheckPrevious::InstanceRecord record(const QString& program = QStringLiteral(GUARD_PROBE)) const {
        const QString name = QString::fromStdString(CheckPrevious::ObjectNameFor(program.toStdString()));
        QFile file(runtime_.filePath(QStringLiteral("torvik-master/") + name));
        CheckPrevious::InstanceRecord result{0, -99};
        if (file.open(QIODevice::ReadOnly)) file.read(reinterpret_cast<char*>(&result), sizeof result);
        return result;
    }

    QTemporaryDir runtime_;
    std::vector<Copy> copies_;
};

TEST_F(GuardProcesses, SecondCopyHandsOverToTheFirstAndLeavesTheCountAlone) {
    QProcess* first = start(101, 1);
    ASSERT_EQ(nextLine(first), "RUN");
    EXPECT_EQ(record().WindowHandle, 101u);
    EXPECT_EQ(record().InstanceCount, 1);

    QProcess* second = start(202, 1);
    EXPECT_EQ(nextLine(second), "END");
    ASSERT_TRUE(second->waitForFinished(kWaitMs));
    EXPECT_EQ(second->exitCode(), 0);
    // The first copy is asked to bring its own registered window forward.
    EXPECT_EQ(nextLine(first), "WAKE 101");
    EXPECT_EQ(record().WindowHandle, 101u);
    EXPECT_EQ(record().InstanceCount, 1);

    quit(first);
    EXPECT_EQ(record().InstanceCount, 0);
    QProcess* third = start(303, 1);
    EXPECT_EQ(nextLine(third), "RUN");
    EXPECT_EQ(record().WindowHandle, 303u);
    EXPECT_EQ(record().InstanceCount, 1);
}

TEST_F(GuardProcesses, KilledCopyNeverBlocksTheNextStart) {
    QProcess* first = start(101, 1);
    ASSERT_EQ(nextLine(first), "RUN");
    first->kill();  // SIGKILL: no finalization, the record still counts it
    ASSERT_TRUE(first->waitForFinished(kWaitMs));
    EXPECT_EQ(record().InstanceCount, 1);

    QProcess* next = start(202, 1);
    EXPECT_EQ(nextLine(next), "RUN");
    EXPECT_EQ(record().WindowHandle, 202u);
    EXPECT_EQ(record().InstanceCount, 1);
    // And the stale wake channel does not hang a later copy.
    QProcess* later = start(303, 1);
    EXPECT_EQ(nextLine(later), "END");
    EXPECT_EQ(nextLine(next), "WAKE 202");
}

TEST_F(GuardProcesses, CopiesStartedAtTheSameInstantLeaveExactlyOneRunning) {
    constexpr int kCopies = 8;
    std::vector<QProcess*> copies;
    for (int i = 0; i < kCopies; ++i) copies.push_back(launch(1000 + i, 1));
    for (QProcess* copy : copies) go(copy);

    int running = 0, ended = 0;
    for (QProcess* copy : copies) {
        const QString answer = nextLine(copy);
        running += answer == "RUN";
        ended += answer == "END";
    }
    EXPECT_EQ(running, 1);
    EXPECT_EQ(ended, kCopies - 1);
    EXPECT_EQ(record().InstanceCount, 1);
}

TEST_F(GuardProcesses, CopiesInOtherFoldersAreIndependent) {
    QTemporaryDir folders;
    ASSERT_TRUE(folders.isValid());
    QStringList programs;
    for (const QString& sub : {QStringLiteral("a"), QStringLiteral("b")}) {
        ASSERT_TRUE(QDir(folders.path()).mkdir(sub));
        const QString program = folders.filePath(sub + QStringLiteral("/guard_probe"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(GUARD_PROBE), program));
        programs << program;
    }
    QProcess* a = start(1, 1, programs[0]);
    QProcess* b = start(2, 1, programs[1]);
    EXPECT_EQ(nextLine(a), "RUN");
    EXPECT_EQ(nextLine(b), "RUN");
    EXPECT_EQ(record(programs[0]).InstanceCount, 1);
    EXPECT_EQ(record(programs[1]).InstanceCount, 1);
    EXPECT_EQ(nextLine(start(3, 1, programs[0])), "END");
}

TEST_F(GuardProcesses, CountsCopiesUpToTheMaximumAndWakesTheLastRegistered) {
    QProcess* first = start(11, 2);
    ASSERT_EQ(nextLine(first), "RUN");
    QProcess* second = start(22, 2);
    ASSERT_EQ(nextLine(second), "RUN");
    EXPECT_EQ(record().InstanceCount, 2);
    EXPECT_EQ(record().WindowHandle, 22u);

    EXPECT_EQ(nextLine(start(33, 2)), "END");
    EXPECT_EQ(nextLine(second), "WAKE 22");
    EXPECT_EQ(record().InstanceCount, 2);

    quit(second);
    EXPECT_EQ(record().InstanceCount, 1);
    EXPECT_EQ(nextLine(start(44, 2)), "RUN");
    EXPECT_EQ(record().InstanceCount, 2);
    EXPECT_FALSE(first->waitForReadyRead(100)) << "the first copy was never asked";
}

// This process as the copy: the record is damaged by something else while it
// runs; leaving must not wrap the count into one that blocks every later start.
TEST_F(GuardProcesses, LeavingKeepsADamagedCountAsItIs) {
    qputenv("TORVIK_RUNTIME_DIR", runtime_.path().toLocal8Bit());
    const QString self = QString::fromStdString(CheckPrevious::ExecutablePath());
    ASSERT_FALSE(CheckPrevious::ActivatePreviousInstance(7, 1));
    ASSERT_EQ(record(self).InstanceCount, 1);
    QFile file(runtime_.filePath(QStringLiteral("torvik-master/") +
                                 QString::fromStdString(CheckPrevious::ObjectNameFor(self.toStdString()))));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const std::int32_t damaged = std::numeric_limits<std::int32_t>::min();
    ASSERT_TRUE(file.seek(4));
    ASSERT_EQ(file.write(reinterpret_cast<const char*>(&damaged), sizeof damaged), qint64(sizeof damaged));
    file.close();

    CheckPrevious::Finalize();
    EXPECT_EQ(record(self).InstanceCount, damaged);
    EXPECT_EQ(record(self).WindowHandle, 7u);
}

TEST(GuardObjectName, IsTheExecutablePathWithoutSeparators) {
    EXPECT_EQ(CheckPrevious::ObjectNameFor("/usr/local/bin/torvik-master"), "usrlocalbintorvik-master");
    EXPECT_EQ(CheckPrevious::ObjectNameFor("/opt/My Tools/torvik master"), "optMy Toolstorvik master");
}

TEST(GuardObjectName, LongPathsStayValidFileNamesAndDistinct) {
    const std::string folder = "/" + std::string(300, 'x') + "/";
    const std::string a = CheckPrevious::ObjectNameFor(folder + "torvik-a");
    const std::string b = CheckPrevious::ObjectNameFor(folder + "torvik-b");
    EXPECT_LE(a.size(), 240u);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.find('/'), std::string::npos);
}

}  // namespace
