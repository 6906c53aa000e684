#include "support/clirun.h"
#include "core/files/projectfile.h"
#include "core/layout/fill.h"
#include "core/model/project.h"
#include "tools/reader-sim/readersim.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace pleq;

namespace {

using Run = test::CliRun;

Run pleqCli(const QStringList& args)
{
    return test::runCli(args);
}

} // namespace

class TestCliRead : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void readsThePlate();
    void damagedReplyRefused();
    void silentReader();
    void terminated();
    void errors_data();
    void errors();

private:
    QTemporaryDir m_dir;
    QString m_projectPath;
    Project m_project;
};

void TestCliRead::initTestCase()
{
    QVERIFY(m_dir.isValid());
    fillPlate(m_project);
    m_projectPath = m_dir.filePath(QStringLiteral("plate.plq"));
    saveProject(m_project, m_projectPath);
}

void TestCliRead::readsThePlate()
{
    // The real pauses: a whole acquisition as the program runs it.
    sim::ReaderSimulator reader;
    reader.start();
    const QString out = m_dir.filePath(QStringLiteral("read.plq"));
    const Run run = pleqCli({QStringLiteral("read"), m_projectPath, QStringLiteral("--device"),
                             QString::fromStdString(reader.devicePath()), QStringLiteral("-o"), out});
    QCOMPARE(run.status, 0);
    QVERIFY(run.out.isEmpty());
    QVERIFY(run.err.contains(QStringLiteral(" Попытка инициализации ...\n")));
    QVERIFY(run.err.contains(QStringLiteral(" Данные к обработке : ")));

    Project read;
    openProject(read, out);
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row) {
            const bool used = m_project.plateLayout().cell(col, row) != Project::EmptyWell;
            QCOMPARE(read.densityTable().cell(col, row),
                     used ? QString::fromStdString(sim::plateValue(col, row, 1)) : QString());
        }
    QCOMPARE(read.plateLayout().columnMajorTexts(), m_project.plateLayout().columnMajorTexts());
}

void TestCliRead::damagedReplyRefused()
{
    // Column 3 comes with a character missing: the message, status 1, the
    // reader log on stderr, nothing written.
    sim::Options damaged;
    damaged.damageColumn = 3;
    sim::ReaderSimulator reader(damaged);
    reader.start();
    const QString out = m_dir.filePath(QStringLiteral("damaged.plq"));
    const Run run = pleqCli({QStringLiteral("read"), m_projectPath, QStringLiteral("--device"),
                             QString::fromStdString(reader.devicePath()), QStringLiteral("-o"), out});
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY(run.err.contains(QStringLiteral(" Данные к обработке : ")));
    QVERIFY2(run.err.endsWith(QStringLiteral(
                 "pleq-cli: Данные ридера не приняты: строка «2.70 3.182 0.394 1.506 2.618 3…» не делится на "
                 "значения по 5 знаков. Получено знаков без пробелов: 479 («1.4822.5323.5820.7321.7822.832…»). "
                 "Плотности не записаны, повторите чтение.\n")),
             qPrintable(run.err));
    QVERIFY(!QFile::exists(out));
}

void TestCliRead::silentReader()
{
    sim::Options silent;
    silent.mode = sim::Options::Mode::Silent;
    sim::ReaderSimulator reader(silent);
    reader.start();
    const QString out = m_dir.filePath(QStringLiteral("silent.plq"));
    const Run run = pleqCli({QStringLiteral("read"), m_projectPath, QStringLiteral("--device"),
                             QString::fromStdString(reader.devicePath()), QStringLiteral("--silence"),
                             QStringLiteral("1"), QStringLiteral("-o"), out});
    QCOMPARE(run.status, 1);
    QVERIFY(run.err.endsWith(QStringLiteral("pleq-cli: the reader did not answer for 1 s\n")));
    QVERIFY(!QFile::exists(out));
}

void TestCliRead::terminated()
{
    // SIGTERM (or Ctrl+C) stops the acquisition as "Прервать" does: the port
    // is released properly and nothing is written.
    sim::Options silent;
    silent.mode = sim::Options::Mode::Silent;
    sim::ReaderSimulator reader(silent);
    reader.start();
    const QString out = m_dir.filePath(QStringLiteral("terminated.plq"));
    QProcess process;
    process.start(QStringLiteral(PLEQ_CLI), {QStringLiteral("read"), m_projectPath, QStringLiteral("--device"),
                                             QString::fromStdString(reader.devicePath()), QStringLiteral("-o"), out});
    QVERIFY(process.waitForStarted());
    process.setReadChannel(QProcess::StandardError);
    // The first log line comes once the signals are handled and the acquisition runs.
    QByteArray err;
    while (!err.contains(" Попытка инициализации ...\n") && process.waitForReadyRead(60000))
        err += process.readAllStandardError();
    QVERIFY(err.contains(" Попытка инициализации ...\n"));
    process.terminate();
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    err += process.readAllStandardError();
    QVERIFY(QString::fromUtf8(err).endsWith(QStringLiteral("pleq-cli: the acquisition was stopped\n")));
    QVERIFY(!QFile::exists(out));
}

void TestCliRead::errors_data()
{
    // clang-format off
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");
    const QString usage = QStringLiteral(
        "usage: pleq-cli read PROJECT.plq (--device PATH | --port N) [-o OUT.plq] [--silence SECONDS] [--stats]");
    QTest::newRow("no port") << QStringList() << usage;
    QTest::newRow("both") << QStringList{"--port", "1", "--device", "/dev/null"} << usage;
    QTest::newRow("port not a number") << QStringList{"--port", "x"} << "'x' is not a valid integer value";
    QTest::newRow("COM0") << QStringList{"--port", "0"} << "Error opening port COM0";
    QTest::newRow("no such device") << QStringList{"--device", "/dev/ttyNoSuch"}
                                    << "Error opening port /dev/ttyNoSuch";
    QTest::newRow("silence zero") << QStringList{"--port", "1", "--silence", "0"}
                                  << "--silence takes a number of seconds from 1";
    // clang-format on
}

void TestCliRead::errors()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    const Run run = pleqCli(QStringList{QStringLiteral("read"), m_projectPath} + options);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.endsWith(QStringLiteral("pleq-cli: ") + message + QLatin1Char('\n')), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestCliRead)
#include "tst_cliread.moc"
