#include "logstore/log_file_writer.h"

#include "logstore/log_model.h"
#include "support/error_box_recorder.h"
#include "text/codepage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// What the saved file must hold for the received bytes: CR ends a line, TAB is
// four spaces, each line loses its trailing bytes 0x00..0x20 and ends in CR LF.
QByteArray expectedFile(const QByteArray& received) {
    QByteArray out;
    QByteArray line;
    auto endLine = [&] {
        qsizetype n = line.size();
        while (n > 0 && static_cast<unsigned char>(line.at(n - 1)) <= 0x20) --n;
        out += line.left(n) + "\r\n";
        line.clear();
    };
    for (char c : received) {
        if (c == '\r')
            endLine();
        else if (c == '\t')
            line += "    ";
        else
            line += c;
    }
    endLine();
    return out;
}

class LogFileWriterTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    LogModel model;
    ErrorBoxRecorder errors;
};

}  // namespace

TEST_F(LogFileWriterTest, RandomBytesOfEveryValueSaveExactlyAsReceivedUnderTheLineRules) {
    std::mt19937 rng(77);
    QByteArray received;
    for (int batch = 0; batch < 3000; ++batch) {
        QByteArray bytes(std::uniform_int_distribution<int>(0, 300)(rng), '\0');
        for (char& b : bytes) b = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
        if (batch % 7 == 0) bytes += "  \t\r";  // trailing blanks the save trims
        received += bytes;
        model.append(codepage::decode(bytes));
    }
    model.trimTrailingBlanks();
    ASSERT_TRUE(logfile::save(model, path("random.txt")));
    EXPECT_EQ(readAll(path("random.txt")), expectedFile(received));
    EXPECT_EQ(errors.count(), 0);
}

TEST_F(LogFileWriterTest, EmptyLogGivesAZeroByteFileAndAnEmptyLastLineAddsCrLf) {
    ASSERT_TRUE(logfile::save(model, path("empty.txt")));
    EXPECT_EQ(readAll(path("empty.txt")), QByteArray());
    model.append(u"a \r");
    model.trimTrailingBlanks();
    ASSERT_TRUE(logfile::save(model, path("two.txt")));
    EXPECT_EQ(readAll(path("two.txt")), QByteArray("a\r\n\r\n"));
}

TEST_F(LogFileWriterTest, CharactersOutsideTheCodePageSaveAsQuestionMarks) {
    model.append(QString::fromUtf16(u"\u20AC\u4E2D\U0001F600\u00E9\n"));
    ASSERT_TRUE(logfile::save(model, path("wide.txt")));
    EXPECT_EQ(readAll(path("wide.txt")), QByteArray("\x80??\xE9\n\r\n"));
}

TEST_F(LogFileWriterTest, ReplacesAnExistingFileWithoutAsking) {
    QFile old(path("log.txt"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(1000, 'o'));
    old.close();
    model.append(u"new");
    ASSERT_TRUE(logfile::save(model, path("log.txt")));
    EXPECT_EQ(readAll(path("log.txt")), QByteArray("new\r\n"));
}

TEST_F(LogFileWriterTest, TargetsThatCannotBeCreatedReportTheCreateErrorWithPathAndCause) {
    model.append(u"x");
    const QString tooLong = path(QString(300, u'n') + QStringLiteral(".txt"));
    const QString missingFolder = path(QStringLiteral("no/such/folder/log.txt"));
    for (const QString& target : {dir.path(), missingFolder, tooLong}) {
        ErrorBoxRecorder recorder;
        EXPECT_FALSE(logfile::save(model, target));
        ASSERT_EQ(recorder.count(), 1) << target.toStdString();
        EXPECT_EQ(recorder.titles().first(), QStringLiteral("Torvik Master"));
        const QString text = recorder.texts().first();
        const QString prefix = QStringLiteral("Datei \"%1\" kann nicht erstellt werden. ").arg(target);
        EXPECT_TRUE(text.startsWith(prefix)) << text.toStdString();
        EXPECT_GT(text.size(), prefix.size() + 1) << "the system's cause is missing";
        EXPECT_TRUE(text.endsWith(u'.'));
    }
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

TEST_F(LogFileWriterTest, FullDeviceReportsTheStreamWriteError) {
    model.append(QString(4000, u'z') + u'\r' + QString(4000, u'y'));
    EXPECT_FALSE(logfile::save(model, QStringLiteral("/dev/full")));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.texts().first(), QStringLiteral("Stream-Schreibfehler."));
    EXPECT_EQ(errors.titles().first(), QStringLiteral("Torvik Master"));
    EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/full")).isFile())
        << "the device must be written, not replaced";
}

TEST_F(LogFileWriterTest, AWriteThatFailsPartWayKeepsThePreviousFile) {
    QFile old(path("keep.txt"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous log\r\n");
    old.close();
    for (int i = 0; i < 20000; ++i) model.append(u"0123456789 0123456789 0123456789\r");

    // A file size limit makes the write fail part-way, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool saved_ok = logfile::save(model, path("keep.txt"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved_ok);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors.texts().first(), QStringLiteral("Stream-Schreibfehler."));
    EXPECT_EQ(readAll(path("keep.txt")), QByteArray("previous log\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.txt"})
        << "no temporary file is left";
}

// ---- Targets that a replacement by a renamed file would not serve ----

namespace {

QString cause(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

struct stat statOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Files are made by the test process and handed to the user the save runs as.
// As root that is another user (nobody), whose identity a thread takes for its
// file accesses; otherwise it is the test's own user.
class SaveAsUserTest : public LogFileWriterTest {
protected:
    static constexpr uid_t kOtherUid = 65534;
    static constexpr gid_t kOtherGid = 65534;

    void SetUp() override {
        root = geteuid() == 0;
        uid = root ? kOtherUid : geteuid();
        gid = root ? kOtherGid : getegid();
        model.append(u"new log\r");
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                              QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                              QFile::ExeOther);
    }
    // A folder (or file) of the saving user with the given mode.
    void handOver(const QString& p, mode_t mode) {
        ASSERT_EQ(::chmod(QFile::encodeName(p).constData(), mode), 0);
        if (root) {
            ASSERT_EQ(::chown(QFile::encodeName(p).constData(), uid, gid), 0);
        }
    }
    QString makeFolder(const QString& name, mode_t mode) {
        QDir(dir.path()).mkdir(name);
        handOver(path(name), mode);
        return path(name);
    }
    // Runs the save with the file accesses of `saver` (only the calling thread
    // changes its filesystem identity, and the thread ends with the save).
    bool saveAs(uid_t saverUid, gid_t saverGid, const QString& target) {
        bool result = false;
        std::thread thread([&] {
            if (saverUid != geteuid()) {
                setfsgid(saverGid);
                setfsuid(saverUid);
                if (static_cast<uid_t>(setfsuid(saverUid)) != saverUid) {
                    ADD_FAILURE() << "cannot take the user's identity";
                    return;
                }
            }
            result = logfile::save(model, target);
        });
        thread.join();
        return result;
    }
    bool saveAsUser(const QString& target) { return saveAs(uid, gid, target); }
    void restoreFolder(const QString& folder) { ::chmod(QFile::encodeName(folder).constData(), 0700); }

    bool root = false;
    uid_t uid = 0;
    gid_t gid = 0;
};

}  // namespace

TEST_F(SaveAsUserTest, ANewFileInAFolderThatCannotBeWrittenReportsTheSystemsCause) {
    const QString folder = makeFolder("ro", 0555);
    const QString target = folder + QStringLiteral("/log.txt");
    EXPECT_FALSE(saveAsUser(target));
    EXPECT_EQ(errors.texts(), QStringList{logfile::createErrorText(target, cause(EACCES)) + u'.'});
    EXPECT_FALSE(QFileInfo::exists(target));
    restoreFolder(folder);
}

TEST_F(SaveAsUserTest, AWritableFileInAFolderThatCannotBeWrittenIsOverwrittenInPlace) {
    const QString folder = makeFolder("locked", 0755);
    const QString target = folder + QStringLiteral("/log.txt");
    writeFile(target, "an older and longer log\r\n");
    handOver(target, 0644);
    handOver(folder, 0555);
    const ino_t inode = statOf(target).st_ino;
    EXPECT_TRUE(saveAsUser(target));
    EXPECT_EQ(errors.texts(), QStringList());
    EXPECT_EQ(readAll(target), QByteArray("new log\r\n\r\n"));
    EXPECT_EQ(statOf(target).st_ino, inode);
    restoreFolder(folder);
}

TEST_F(SaveAsUserTest, AFileThatCannotBeWrittenReportsTheSystemsCauseAndKeepsItsContent) {
    const QString folder = makeFolder("rw", 0755);
    const QString target = folder + QStringLiteral("/log.txt");
    writeFile(target, "kept\r\n");
    handOver(target, 0444);
    EXPECT_FALSE(saveAsUser(target));
    EXPECT_EQ(errors.texts(), QStringList{logfile::createErrorText(target, cause(EACCES)) + u'.'});
    EXPECT_EQ(readAll(target), QByteArray("kept\r\n"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"log.txt"}) << "no temporary file is left";
}

TEST_F(SaveAsUserTest, AnotherUsersFileInAStickyFolderIsOverwrittenAndKeepsItsOwner) {
    if (!root) GTEST_SKIP() << "only root can give a file to another user";
    const QString folder = path("sticky");
    QDir(dir.path()).mkdir("sticky");
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 01777), 0);
    const QString target = folder + QStringLiteral("/log.txt");
    writeFile(target, "someone else's log\r\n");
    handOver(target, 0666);
    // A third user saves: the folder lets it make files but not replace this one.
    EXPECT_TRUE(saveAs(kOtherUid - 1, kOtherGid - 1, target));
    EXPECT_EQ(errors.texts(), QStringList());
    EXPECT_EQ(readAll(target), QByteArray("new log\r\n\r\n"));
    EXPECT_EQ(statOf(target).st_uid, kOtherUid);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"log.txt"});
}

TEST_F(SaveAsUserTest, SavingAsRootKeepsTheOwnerOfAnotherUsersFile) {
    if (!root) GTEST_SKIP() << "only root can give a file to another user";
    const QString target = path("theirs.txt");
    writeFile(target, "theirs\r\n");
    handOver(target, 0640);
    EXPECT_TRUE(logfile::save(model, target));
    EXPECT_EQ(readAll(target), QByteArray("new log\r\n\r\n"));
    const struct stat after = statOf(target);
    EXPECT_EQ(after.st_uid, kOtherUid);
    EXPECT_EQ(after.st_gid, kOtherGid);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
}

TEST_F(LogFileWriterTest, AHardLinkedFileKeepsItsLinks) {
    writeFile(path("a.txt"), "old\r\n");
    ASSERT_EQ(
        ::link(QFile::encodeName(path("a.txt")).constData(), QFile::encodeName(path("b.txt")).constData()),
        0);
    model.append(u"shared");
    EXPECT_TRUE(logfile::save(model, path("a.txt")));
    EXPECT_EQ(readAll(path("b.txt")), QByteArray("shared\r\n"));
    EXPECT_EQ(statOf(path("a.txt")).st_nlink, 2u);
}

TEST_F(LogFileWriterTest, APipeWithoutAReaderIsRefusedAtOnceWithTheCreateError) {
    const QString fifo = path("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    model.append(u"x");
    // Should the open wait for a reader, this thread comes as one after a while
    // so that the test ends (and fails) instead of hanging.
    std::atomic<bool> done{false};
    std::thread rescuer([&] {
        for (int i = 0; i < 300 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (done) return;
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::close(fd);
    });
    const auto start = std::chrono::steady_clock::now();
    const bool saved = logfile::save(model, fifo);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    done = true;
    rescuer.join();
    EXPECT_FALSE(saved);
    EXPECT_LT(elapsed, std::chrono::seconds(2));
    EXPECT_EQ(errors.texts(), QStringList{logfile::createErrorText(fifo, cause(ENXIO)) + u'.'});
    EXPECT_FALSE(QFileInfo(fifo).isFile()) << "the pipe must not be replaced";
}

TEST_F(LogFileWriterTest, APipeWithAReaderReceivesTheWholeLog) {
    const QString fifo = path("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // More than a pipe holds: the writes must wait for the reader, not fail.
    for (int i = 0; i < 20000; ++i) model.append(u"0123456789 0123456789\r");
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ::fcntl(fd, F_SETFL, 0);
    QByteArray received;
    std::atomic<bool> saveEnded{false};
    std::thread reader([&] {
        char buf[4096];
        // Until the save has opened the pipe, a read finds no writer and returns 0.
        for (;;) {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                received.append(buf, n);
            else if (saveEnded)
                return;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    const bool saved = logfile::save(model, fifo);
    saveEnded = true;
    reader.join();
    ::close(fd);
    EXPECT_TRUE(saved);
    EXPECT_EQ(errors.texts(), QStringList());
    EXPECT_EQ(received.size(), 20000 * 23 + 2);
    EXPECT_TRUE(received.endsWith("0123456789\r\n\r\n"));
}

// A reader that holds the pipe open and never reads: the save gives up after
// the stall limit with the write error instead of holding the UI for good.
TEST_F(LogFileWriterTest, APipeNobodyDrainsFailsTheSaveAfterTheStallLimit) {
    const QString fifo = path("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (int i = 0; i < 20000; ++i) model.append(u"0123456789 0123456789\r");
    const int fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    // Should the writes block, this ends them (the save then fails late).
    std::atomic<bool> done{false};
    std::thread rescuer([&] {
        for (int i = 0; i < 500 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        char sink[65536];
        while (!done) {
            if (::read(fd, sink, sizeof sink) <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    const bool saved = logfile::save(model, fifo, std::chrono::milliseconds(300));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    done = true;
    rescuer.join();
    ::close(fd);
    EXPECT_FALSE(saved);
    EXPECT_GE(elapsed, std::chrono::milliseconds(300));
    EXPECT_LT(elapsed, std::chrono::seconds(3));
    EXPECT_EQ(errors.texts(), QStringList{logfile::kWriteErrorText + u'.'});
}

// A replaced file keeps its mode: read-only (which root may replace) and the
// set-user-ID and set-group-ID bits.
TEST_F(LogFileWriterTest, AReplacedFileKeepsItsMode) {
    model.append(u"new");
    std::vector<mode_t> modes{04755, 02750, 0604};
    if (geteuid() == 0) modes.push_back(0444);
    for (const mode_t mode : modes) {
        const QString target = path(QStringLiteral("mode%1.txt").arg(mode, 0, 8));
        writeFile(target, "old\r\n");
        ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), mode), 0);
        const ino_t inode = statOf(target).st_ino;
        EXPECT_TRUE(logfile::save(model, target));
        const struct stat after = statOf(target);
        EXPECT_NE(after.st_ino, inode) << "replaced, not overwritten";
        EXPECT_EQ(after.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(readAll(target), QByteArray("new\r\n"));
    }
    EXPECT_EQ(errors.texts(), QStringList());
}
