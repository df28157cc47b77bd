#include "logview/log_file_writer.h"

#include "device/codepage.h"
#include "logview/log_model.h"
#include "support/error_box_recorder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <unistd.h>
#include <csignal>
#include <random>

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

TEST_F(LogFileWriterTest, AFolderThatCannotBeWrittenReportsTheCreateError) {
    // Permission bits do not stop root; /proc refuses new files to everyone.
    QString target = QStringLiteral("/proc/torvik-log.txt");
    if (geteuid() != 0) {
        QDir(dir.path()).mkdir(QStringLiteral("ro"));
        QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::ExeOwner);
        target = path("ro/log.txt");
    }
    model.append(u"x");
    EXPECT_FALSE(logfile::save(model, target));
    ASSERT_EQ(errors.count(), 1);
    EXPECT_TRUE(errors.texts().first().startsWith(
        QStringLiteral("Datei \"%1\" kann nicht erstellt werden. ").arg(target)))
        << errors.texts().first().toStdString();
    EXPECT_FALSE(QFileInfo::exists(target));
    QFile::setPermissions(path("ro"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
