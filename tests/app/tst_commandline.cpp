#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

// The programs' own options: the version from the build, the usage, and a
// wrong command line refused before any window opens.
class TestCommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void options_data();
    void options();
    void cliHelpListsEveryCommand();
};

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// platform "nowhere" names no Qt platform plugin: a program that connected to
// a display would abort instead of answering.
Run run(const QString& program, const QStringList& args, const QString& platform)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    process.setProcessEnvironment(env);
    process.start(program, args);
    Run r;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return r;
    }
    r.status = process.exitCode();
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

} // namespace

void TestCommandLine::options_data()
{
    // clang-format off
    const QString gui = QStringLiteral(PLEQ_GUI);
    const QString cli = QStringLiteral(PLEQ_CLI);
    const QString version = QStringLiteral(PLEQ_PROJECT_VERSION);
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");  // the whole output, or its first line with "..."
    QTest::addColumn<QString>("err");  // a line of the messages, or "" for none

    // clang-format off
    QTest::newRow("pleq --version")     << gui << QStringList{"--version"} << "nowhere"   << 0 << "pleq " + version + "\n" << "";
    QTest::newRow("pleq --help")        << gui << QStringList{"--help"}    << "nowhere"   << 0 << "usage: pleq [PROJECT.plq]\n..." << "";
    QTest::newRow("pleq -h after file") << gui << QStringList{"a.plq", "-h"} << "nowhere" << 0 << "usage: pleq [PROJECT.plq]\n..." << "";
    QTest::newRow("pleq unknown option")<< gui << QStringList{"--verbose"} << "offscreen" << 2 << "" << "pleq: unknown option --verbose";
    QTest::newRow("pleq two files")     << gui << QStringList{"a.plq", "b.plq"} << "offscreen" << 2 << "" << "pleq: one project file at a time";
    QTest::newRow("pleq-cli --version") << cli << QStringList{"--version"} << "nowhere"   << 0 << "pleq-cli " + version + "\n" << "";
    // clang-format on
    // clang-format on
}

void TestCommandLine::options()
{
    QFETCH(QString, program);
    QFETCH(QStringList, args);
    QFETCH(QString, platform);
    QFETCH(QString, out);
    QFETCH(QString, err);

    const Run r = run(program, args, platform);
    QTEST(r.status, "status");
    if (out.endsWith(QLatin1String("\n...")))
        QCOMPARE(r.out.section(QLatin1Char('\n'), 0, 0) + QStringLiteral("\n..."), out);
    else
        QCOMPARE(r.out, out);
    if (err.isEmpty())
        QCOMPARE(r.err, QString());
    else
        QVERIFY2(r.err.split(QLatin1Char('\n')).contains(err), qPrintable(r.err));
}

void TestCommandLine::cliHelpListsEveryCommand()
{
    const Run r = run(QStringLiteral(PLEQ_CLI), {QStringLiteral("--help")}, QStringLiteral("nowhere"));
    QCOMPARE(r.status, 0);
    for (const char* usage :
         {"  check PROJECT.plq", "  fill PROJECT.plq", "  calc PROJECT.plq", "  protocol PROJECT.plq",
          "  read PROJECT.plq", "  import PROJECT.plq", "  export PROJECT.plq", "  archive add", "  archive verify",
          "  archive import", "  archive copy", "  archive send", "  archive qc", "       pleq-cli --version | --help"})
        QVERIFY2(r.out.contains(QLatin1String(usage)), usage);
    QCOMPARE(r.err, QString());
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
