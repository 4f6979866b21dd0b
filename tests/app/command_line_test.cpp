// The program never reads its command line: not itself, and not through Qt's own options.
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(CommandLine, FileNamesAndQtOptionsAreIgnored)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("кот.bmp"));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("PICTAVO_QUIT_WHEN_SHOWN"), QStringLiteral("1"));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(dir.path());
    // Had Qt seen these, it would have stopped at the unknown platform.
    program.start(QStringLiteral(PICTAVO_EXECUTABLE),
                  {picture, QStringLiteral("-platform"), QStringLiteral("no-such-platform"),
                   QStringLiteral("-stylesheet"), dir.filePath(QStringLiteral("missing.qss"))});
    ASSERT_TRUE(program.waitForFinished(60000)) << program.errorString().toStdString();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_FALSE(QFile::exists(picture)) << "nothing was written by that name either";
}
