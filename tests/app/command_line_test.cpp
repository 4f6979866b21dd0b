// Qt never sees the command line: its own options are neither obeyed nor taken for files.
#include "platform/framework/bitmap.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(CommandLine, QtOptionsAreNeitherObeyedNorOpened)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("кот.bmp"));
    TBitmap bitmap;
    bitmap.SetSize(8, 8);
    bitmap.SaveToFile(picture);
    const QByteArray before = [&] {
        QFile file(picture);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("PICTAVO_QUIT_WHEN_SHOWN"), QStringLiteral("1"));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(dir.path());
    // Had Qt seen these, it would have stopped at the unknown platform.
    program.start(QStringLiteral(PICTAVO_EXECUTABLE),
                  {picture, QStringLiteral("-platform"), QStringLiteral("-no-such-platform"),
                   QStringLiteral("-stylesheet=") + dir.filePath(QStringLiteral("missing.qss"))});
    ASSERT_TRUE(program.waitForFinished(60000)) << program.errorString().toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    QFile file(picture);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before) << "opening a file leaves it as it was";
}
