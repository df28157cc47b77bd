// Saving the log on Windows: CR LF lines in the code page, an existing file
// replaced whole, and targets that cannot be written reported with the
// system's cause while the previous content stays.

#include "logstore/log_file_writer.h"

#include "logstore/log_model.h"
#include "support/error_box_recorder.h"
#include "text/codepage.h"
#include "text/codepage_system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <windows.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void expectCreateError(const ErrorBoxRecorder& recorder, const QString& target) {
    ASSERT_EQ(recorder.count(), 1) << target.toStdString();
    const QString text = recorder.texts().first();
    const QString prefix = QStringLiteral("Datei \"%1\" kann nicht erstellt werden. ").arg(target);
    EXPECT_TRUE(text.startsWith(prefix)) << text.toStdString();
    EXPECT_GT(text.size(), prefix.size() + 1) << "the system's cause is missing";
}

class LogFileWriterWindowsTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
    LogModel model;
};

TEST_F(LogFileWriterWindowsTest, LinesEndInCrLfAndAnExistingFileIsReplacedWhole) {
    ASSERT_TRUE(logfile::save(model, path("empty.txt")));
    EXPECT_EQ(readAll(path("empty.txt")), QByteArray());

    write(path("log.txt"), QByteArray(1000, 'o'));
    model.append(u"a \rb\t\r");
    model.trimTrailingBlanks();
    ASSERT_TRUE(logfile::save(model, path("log.txt")));
    EXPECT_EQ(readAll(path("log.txt")), QByteArray("a\r\nb\r\n\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no temporary file is left beside it";
}

TEST_F(LogFileWriterWindowsTest, TheSystemsCodePageIsSaved) {
    QByteArray all;
    for (int b = 1; b < 256; ++b) {
        if (b != '\r' && b != '\n' && b != '\t') all.append(char(b));
    }
    all.append('x');
    model.append(codepage::decode(all));
    ASSERT_TRUE(logfile::save(model, path("bytes.txt")));
    EXPECT_EQ(readAll(path("bytes.txt")), all + "\r\n") << "page " << codepage::systemCodePage();
}

TEST_F(LogFileWriterWindowsTest, TargetsThatCannotBeCreatedReportTheCreateErrorWithTheSystemsCause) {
    model.append(u"x");
    const QString missingFolder = path(QStringLiteral("no/such/folder/log.txt"));
    for (const QString& target : {dir.path(), missingFolder}) {
        ErrorBoxRecorder recorder;
        EXPECT_FALSE(logfile::save(model, target));
        expectCreateError(recorder, target);
    }
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

TEST_F(LogFileWriterWindowsTest, AReadOnlyFileKeepsItsContentAndTheCauseIsReported) {
    const QString target = path("kept.txt");
    write(target, "old");
    ASSERT_TRUE(::SetFileAttributesW(
        reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(target).utf16()), FILE_ATTRIBUTE_READONLY));
    model.append(u"new");
    ErrorBoxRecorder recorder;
    EXPECT_FALSE(logfile::save(model, target));
    expectCreateError(recorder, target);
    EXPECT_EQ(readAll(target), QByteArray("old"));
    ::SetFileAttributesW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(target).utf16()),
                         FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
