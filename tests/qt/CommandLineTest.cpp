// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line, on the program itself: --help and --version
// with no window system at all, Qt's own options taken, anything else refused.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace purlo {
namespace {

struct Answer {
    int status = -1;
    QString out, err;
};

// Runs the program in `dir` with only the environment given (no DISPLAY,
// no WAYLAND_DISPLAY, no QT_QPA_PLATFORM unless it is in `env`).
Answer runPurlo(const QStringList& args, const QString& dir,
                const QProcessEnvironment& extra = QProcessEnvironment()) {
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), qEnvironmentVariable("PATH"));
    env.insert(QStringLiteral("HOME"), dir);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir);
    for (const QString& key : extra.keys()) env.insert(key, extra.value(key));
    QProcess purlo;
    purlo.setProcessEnvironment(env);
    purlo.setWorkingDirectory(dir);
    purlo.start(QStringLiteral(PURLO_PROGRAM), args);
    Answer run;
    if (!purlo.waitForFinished(30000)) {
        purlo.kill();
        purlo.waitForFinished();
        return run;
    }
    if (purlo.exitStatus() == QProcess::NormalExit) run.status = purlo.exitCode();
    run.out = QString::fromLocal8Bit(purlo.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(purlo.readAllStandardError());
    return run;
}

// Started to show its first window and end there.
QProcessEnvironment toFirstFrame() {
    QProcessEnvironment env;
    env.insert(QStringLiteral("PURLO_REPORT_FIRST_FRAME"), QStringLiteral("1"));
    env.insert(QStringLiteral("PURLO_EXIT_AFTER_FIRST_FRAME"), QStringLiteral("1"));
    return env;
}

TEST(CommandLine, HelpAndVersionNeedNoWindowSystem) {
    QTemporaryDir dir;
    for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        const Answer help = runPurlo({option}, dir.path());
        EXPECT_EQ(help.status, 0) << help.err.toStdString();
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: purlo [--desktop]")))
            << help.out.toStdString();
        EXPECT_TRUE(help.out.contains(QStringLiteral("--version")));
    }
    const Answer version = runPurlo({QStringLiteral("--version")}, dir.path());
    EXPECT_EQ(version.status, 0) << version.err.toStdString();
    const QStringList lines = version.out.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.value(0), QStringLiteral("purlo " PURLO_EXPECTED_VERSION));
    EXPECT_TRUE(version.out.contains(QStringLiteral("GPL-3.0-or-later")))
        << version.out.toStdString();
    EXPECT_EQ(version.err, QString());
}

// No display at all: the refusal must come before the window system would abort.
TEST(CommandLine, AnUnknownOptionOrAStrayArgumentIsRefusedBeforeAnyWindow) {
    QTemporaryDir dir;
    const QProcessEnvironment env = toFirstFrame();
    const Answer unknown =
        runPurlo({QStringLiteral("--desktop"), QStringLiteral("--dektop")}, dir.path(), env);
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("purlo: Unknown option 'dektop'.")))
        << unknown.err.toStdString();
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("Usage: purlo")));
    EXPECT_FALSE(unknown.err.contains(QStringLiteral("first frame")));
    EXPECT_FALSE(QDir(dir.path()).exists(QStringLiteral("Purlo")));  // --desktop did not act

    const Answer stray = runPurlo({QStringLiteral("Purlo.Spl")}, dir.path(), env);
    EXPECT_EQ(stray.status, 2);
    EXPECT_TRUE(stray.err.contains(QStringLiteral("purlo: unexpected argument 'Purlo.Spl'")))
        << stray.err.toStdString();
    EXPECT_FALSE(stray.err.contains(QStringLiteral("first frame")));
}

TEST(CommandLine, MonitorOpensTheMonitorBesideTheConsoleAtStart) {
    QTemporaryDir dir;
    QProcessEnvironment env = toFirstFrame();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const Answer run = runPurlo({QStringLiteral("--monitor")}, dir.path(), env);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("first frame"))) << run.err.toStdString();
    // The monitor was open when the program ended: its place is kept per user.
    EXPECT_TRUE(QDir(dir.path()).exists(QStringLiteral(".config/purlo/monitor.conf")));
    EXPECT_FALSE(QDir(dir.path()).exists(QStringLiteral("Purlo.csv")));  // the log is off at first

    const Answer help = runPurlo({QStringLiteral("--help")}, dir.path());
    EXPECT_TRUE(help.out.contains(QStringLiteral("--monitor"))) << help.out.toStdString();
}

TEST(CommandLine, ScaleSetsTheWindowSizeForThisRunOnly) {
    QTemporaryDir dir;
    QProcessEnvironment env = toFirstFrame();
    for (const QString& bad : {QStringLiteral("175"), QStringLiteral("big")}) {
        const Answer refused = runPurlo({QStringLiteral("--scale"), bad}, dir.path(), env);
        EXPECT_EQ(refused.status, 2);
        EXPECT_TRUE(refused.err.contains(
            QStringLiteral("purlo: --scale takes 100, 125, 150, 200, 250 or screen")))
            << refused.err.toStdString();
        EXPECT_FALSE(refused.err.contains(QStringLiteral("first frame")));
    }
    // The size chosen in the window is kept; --scale does not replace it.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral(".config/purlo")));
    QFile conf(QDir(dir.path()).filePath(QStringLiteral(".config/purlo/console.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("[window]\nsize=200\n");
    conf.close();
    const Answer run =
        runPurlo({QStringLiteral("--scale"), QStringLiteral("150")}, dir.path(), env);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("first frame"))) << run.err.toStdString();
    ASSERT_TRUE(conf.open(QIODevice::ReadOnly));
    EXPECT_EQ(conf.readAll(), QByteArray("[window]\nsize=200\n"));

    const Answer help = runPurlo({QStringLiteral("--help")}, dir.path());
    EXPECT_TRUE(help.out.contains(QStringLiteral("--scale PERCENT"))) << help.out.toStdString();
}

TEST(CommandLine, QtOptionsAreTakenAlongsideTheConsolesOwn) {
    QTemporaryDir dir;
    // The platform comes from -platform alone. -platformtheme holds an "h":
    // read as a cluster of letters it would be taken for -h.
    const Answer run = runPurlo(
        {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-platformtheme"),
         QStringLiteral("none"), QStringLiteral("-reverse"), QStringLiteral("--desktop")},
        dir.path(), toFirstFrame());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("first frame")));
    EXPECT_TRUE(run.err.contains(QStringLiteral(", in ") + QDir(dir.path()).filePath("Purlo")))
        << run.err.toStdString();
}

}  // namespace
}  // namespace purlo
