#include "support/clirun.h"
#include "support/texts.h"
#include "docstest.h"

#include "core/files/projectfile.h"
#include "core/files/protocol.h"
#include "core/model/project.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace pleq;
using namespace pleq::test;

namespace {

using Run = test::CliRun;

Run cli(const QStringList& args)
{
    return test::runCli(args);
}

QString fixturePath(const QString& name)
{
    return QStringLiteral(PLEQ_FIXTURES "/") + name;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace

class TestDocsCli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void check_data();
    void check();
    void protocolOutput();
    void protocolErrors_data();
    void protocolErrors();
    void calculationErrorStillWrites();
    void fullStdout();
};

void TestDocsCli::check_data()
{
    // clang-format off
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("three samples") << fixturePath("three-samples.plq") << 0
                                   << "kit: 01 - Набор «Зорвал-SR»\nexecutor: Иванова А. П. \nsamples: 3\n"
                                      "first well: A1\norientation: horizontal\n"
                                   << "";
    QTest::newRow("kit 05") << fixturePath("protocol/kit05/project.plq") << 0
                            << "kit: 05 - (Верификация) Набор «Тальвик»\nexecutor: Иванова А. П.\nsamples: 2\n"
                               "first well: A1\norientation: vertical\n"
                            << "";
    QTest::newRow("missing") << "no-such.plq" << 1 << "" << "pleq-cli: File not found\n";
    QTest::newRow("not a project") << fixturePath("kit-07.plq") << 1 << ""
                                   << "pleq-cli: Line 2 names no kit: '7' is not a kit number from 1 to 5\n";
    // clang-format on
}

void TestDocsCli::check()
{
    QFETCH(QString, file);
    const Run r = cli({QStringLiteral("check"), file});
    QTEST(QString::fromUtf8(r.out), "out");
    QTEST(r.err, "err");
    QTEST(r.status, "status");
}

// The bytes on stdout and in -o FILE are the protocol of the opened project.
void TestDocsCli::protocolOutput()
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("result.txt"));
    const Run toFile = cli({QStringLiteral("protocol"), fixturePath("three-samples.plq"), QStringLiteral("-o"), out,
                            QStringLiteral("--decimal"), QStringLiteral(",")});
    QCOMPARE(toFile.status, 0);
    QVERIFY(toFile.out.isEmpty());
    const Run toStdout = cli({QStringLiteral("protocol"), fixturePath("three-samples.plq"), QStringLiteral("--decimal"),
                              QStringLiteral(",")});
    QCOMPARE(toStdout.status, 0);
    QCOMPARE(toStdout.out, fileBytes(out));
    QVERIFY(toStdout.out.startsWith(QByteArray(32, ' ') + "\xcf\xf0\xee\xf2\xee\xea\xee\xeb")); // "Протокол"
    QVERIFY(toStdout.out.contains("\r\n2. \xca\xee\xf0\xee\xe2\xe0 17  -  [2.1]\r\n"));         // "Корова 17 "
}

void TestDocsCli::protocolErrors_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("project");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("err");
    QByteArray badQuantity = fileBytes(fixturePath("three-samples.plq"));
    badQuantity.replace("\r\n\xca\xee\xeb-\xe2\xee\r\n2\r\n", "\r\n\xca\xee\xeb-\xe2\xee\r\nx2\r\n"); // "Кол-во", then "x2"
    QTest::newRow("project not opened") << QByteArray("01\r\n") << QStringList{}
                                        << "pleq-cli: '' is not a valid integer value\n";
    QTest::newRow("quantity not a number") << badQuantity << QStringList{}
                                           << "pleq-cli: 'x2' is not a valid integer value\n";
    QTest::newRow("bad --decimal") << fileBytes(fixturePath("initial.plq")) << QStringList{"--decimal", ",,"}
                                   << "pleq-cli: --decimal takes \",\" or \".\", not ',,'\n";
    // clang-format on
}

// An error before or in the protocol writes nothing: an earlier file stays.
void TestDocsCli::protocolErrors()
{
    QFETCH(QByteArray, project);
    QFETCH(QStringList, options);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("p.plq"));
    const QString out = dir.filePath(QStringLiteral("result.txt"));
    writeFile(in, project);
    writeFile(out, "earlier");
    const Run r = cli(QStringList{QStringLiteral("protocol"), in, QStringLiteral("-o"), out} + options);
    QFETCH(QString, err);
    QVERIFY2(r.err.endsWith(err), qPrintable(r.err)); // validity messages may come first
    QCOMPARE(r.status, 1);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(fileBytes(out), QByteArray("earlier"));
}

// A calculation error is reported and the protocol is still written from the
// state the calculation left; the exit status says that something failed.
void TestDocsCli::calculationErrorStillWrites()
{
    Project project;
    readProjectFile(project, fileBytes(fixturePath("protocol/kit02/project.plq")));
    project.densityTable().setCell(1, 1, QStringLiteral("abc"));
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("p.plq"));
    const QString out = dir.filePath(QStringLiteral("result.txt"));
    saveProject(project, in);
    const Run r = cli(
        {QStringLiteral("protocol"), in, QStringLiteral("-o"), out, QStringLiteral("--decimal"), QStringLiteral(",")});
    QCOMPARE(r.err, QStringLiteral("pleq-cli: 'abc' is not a valid floating point value\n"));
    QCOMPARE(r.status, 1);
    QCOMPARE(fileBytes(out), protocolBytes(project)); // nothing was calculated
}

// A protocol that does not reach its reader is an error, not a success.
void TestDocsCli::fullStdout()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has no device like /dev/full that fails every write with a full disk");
#endif
    QProcess p;
    p.setStandardOutputFile(QStringLiteral("/dev/full"));
    p.start(QStringLiteral(PLEQ_CLI), {QStringLiteral("protocol"), fixturePath("three-samples.plq")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
    QVERIFY(
        QString::fromUtf8(p.readAllStandardError()).endsWith(QStringLiteral("pleq-cli: No space left on device\n")));
}

QTEST_GUILESS_MAIN(TestDocsCli)
#include "tst_docscli.moc"
