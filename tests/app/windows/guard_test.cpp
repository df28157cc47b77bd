// The single-instance guard on Windows, through real processes of a probe
// (guard_probe_windows.cpp) copied into two folders: copies of one file share
// one slot, copies of two files run side by side, and a refused start brings
// the registered window back from its minimised state.

#include "app/check_previous.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <system_error>

#include <windows.h>

namespace {

constexpr int kDeadlineMs = 60000;

class Probe {
public:
    explicit Probe(const QString& exe) {
        process_.setProgram(exe);
        process_.start();
    }
    ~Probe() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(kDeadlineMs);
        }
    }

    // The next line the probe prints, or empty at its end.
    QString line() {
        while (!process_.canReadLine()) {
            if (!process_.waitForReadyRead(kDeadlineMs)) return process_.canReadLine() ? line() : QString();
        }
        return QString::fromUtf8(process_.readLine()).trimmed();
    }
    QString ask(const char* question) {
        process_.write(QByteArray(question) + "\n");
        return line();
    }
    // Whether the probe has ended, normally and with status 0 (it may have before the call).
    bool ended() {
        if (process_.state() != QProcess::NotRunning) process_.waitForFinished(kDeadlineMs);
        return process_.state() == QProcess::NotRunning && process_.exitStatus() == QProcess::NormalExit &&
               process_.exitCode() == 0;
    }

private:
    QProcess process_;
};

class GuardWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folders_.isValid());
        for (const char* name : {"first", "second"}) {
            const QString folder = folders_.filePath(QString::fromLatin1(name));
            ASSERT_TRUE(QDir().mkpath(folder));
            ASSERT_TRUE(QFile::copy(QStringLiteral(GUARD_PROBE), folder + "/torvik-master.exe"));
        }
    }
    QString exe(const char* folder) const {
        return folders_.filePath(QString::fromLatin1(folder)) + "/torvik-master.exe";
    }

    QTemporaryDir folders_;
};

TEST_F(GuardWindowsTest, OneCopyPerFileAndTheRefusedStartRestoresTheFirst) {
    Probe first(exe("first"));
    ASSERT_EQ(first.line(), "RUN");
    EXPECT_EQ(first.ask("COUNT"), "COUNT 1");
    EXPECT_EQ(first.ask("ICONIC"), "ICONIC 1");

    // Another folder, another file: its own object and its own first copy.
    Probe other(exe("second"));
    ASSERT_EQ(other.line(), "RUN");
    EXPECT_EQ(other.ask("COUNT"), "COUNT 1");

    // The same file again: refused, and the registered window comes back.
    Probe again(exe("first"));
    EXPECT_EQ(again.line(), "END");
    EXPECT_TRUE(again.ended());
    EXPECT_EQ(first.ask("COUNT"), "COUNT 1") << "a refused copy takes no slot";
    EXPECT_EQ(first.ask("ICONIC"), "ICONIC 0");
    EXPECT_EQ(other.ask("ICONIC"), "ICONIC 1") << "the copy of the other file is left alone";

    EXPECT_EQ(first.ask("QUIT"), "BYE");
    EXPECT_TRUE(first.ended());
    EXPECT_EQ(other.ask("QUIT"), "BYE");

    // After the last copy has ended the next start runs with a fresh record.
    Probe later(exe("first"));
    ASSERT_EQ(later.line(), "RUN");
    EXPECT_EQ(later.ask("COUNT"), "COUNT 1");
    EXPECT_EQ(later.ask("QUIT"), "BYE");
}

// Another kind of object holding the name: the memory object cannot be
// created, and start-up fails with the system's own text.
TEST_F(GuardWindowsTest, AnObjectThatCannotBeCreatedFailsTheStartWithTheSystemsText) {
    const std::string name =
        CheckPrevious::ObjectNameFor(QDir::toNativeSeparators(exe("first")).toStdString());
    HANDLE squatter = ::CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    ASSERT_NE(squatter, nullptr);
    Probe blocked(exe("first"));
    const QString answer = blocked.line();
    EXPECT_TRUE(answer.startsWith(QStringLiteral("ERROR "))) << answer.toStdString();
    EXPECT_GT(answer.size(), 8) << "the system's text is missing";
    ::CloseHandle(squatter);

    // Gone again: the program starts.
    Probe freed(exe("first"));
    EXPECT_EQ(freed.line(), "RUN");
    EXPECT_EQ(freed.ask("QUIT"), "BYE");
}

// In-process, the failure is the std::system_error the header promises, with
// the system's code and its text alone.
TEST(GuardWindowsError, IsASystemErrorWithTheSystemsCodeAndText) {
    const std::string name = CheckPrevious::ObjectNameFor(CheckPrevious::ExecutablePath());
    HANDLE squatter = ::CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    ASSERT_NE(squatter, nullptr);
    try {
        CheckPrevious::ActivatePreviousInstance(1, 1);
        ADD_FAILURE() << "the guard started over another kind of object";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), ERROR_INVALID_HANDLE);
        EXPECT_STREQ(error.code().category().name(), "windows");
        EXPECT_EQ(std::string(error.what()), error.code().message());
        EXPECT_EQ(std::string(error.what()).rfind("Error ", 0), std::string::npos) << error.what();
    }
    CheckPrevious::Finalize();
    ::CloseHandle(squatter);
}

TEST(GuardWindowsName, BackslashesAreRemovedAndNothingElseChanges) {
    EXPECT_EQ(CheckPrevious::ObjectNameFor("C:\\Tools\\prog.exe"), "C:Toolsprog.exe");
    EXPECT_EQ(CheckPrevious::ObjectNameFor("D:\\Ä b/c\\x.EXE"), "D:Ä b/cx.EXE");
    const std::string own = CheckPrevious::ExecutablePath();
    EXPECT_NE(own.find(":\\"), std::string::npos) << own;
    EXPECT_EQ(CheckPrevious::ObjectNameFor(own).find('\\'), std::string::npos);
}

}  // namespace
