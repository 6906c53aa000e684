#include "support/pdftext.h"
#include "support/texts.h"

#include "core/files/fileio.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

using namespace pleq;

// The system's words for a file whose folder is missing.
#ifdef Q_OS_WIN
#define MISSING_FOLDER_REASON "Path not found."
#else
#define MISSING_FOLDER_REASON "File not found"
#endif

namespace {

using test::fileBytes;

using test::withoutTrailingBlankLines;

} // namespace

class TestProtocolCli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pdf_data();
    void pdf();
};

void TestProtocolCli::pdf_data()
{
    // clang-format off
    QTest::addColumn<QStringList>("extra"); // %1 is the temporary folder
    QTest::addColumn<bool>("noDisplay");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");

    QTest::newRow("pdf") << QStringList{"--pdf", "%1/p.pdf"} << false << 0 << "";
    QTest::newRow("pdf and text") << QStringList{"--pdf", "%1/p.pdf", "-o", "%1/result.txt"} << false << 0 << "";
    QTest::newRow("no platform, no display") << QStringList{"--pdf", "%1/p.pdf"} << true << 0 << "";
    QTest::newRow("missing folder") << QStringList{"--pdf", "%1/missing/p.pdf", "-o", "%1/result.txt"} << false << 1
                                    << "pleq-cli: Не удалось сохранить PDF %1/missing/p.pdf: " MISSING_FOLDER_REASON "\n";
    // clang-format on
}

// `protocol --pdf` writes the protocol's lines as a PDF, with or without a
// display; the text protocol only where -o asks for it, and nothing after a
// PDF that failed.
void TestProtocolCli::pdf()
{
    QFETCH(QStringList, extra);
    QFETCH(bool, noDisplay);
    QFETCH(QString, err);
    QTemporaryDir dir;
    for (QString& arg : extra)
        arg.replace(QLatin1String("%1"), dir.path());
    err.replace(QLatin1String("%1"), dir.path());
    const QString project = QStringLiteral(PLEQ_FIXTURES "/three-samples.plq");

    // The reference: the text protocol of the same project.
    QProcess text;
    text.start(QStringLiteral(PLEQ_CLI), {QStringLiteral("protocol"), project});
    QVERIFY(text.waitForFinished(60000));
    QCOMPARE(text.exitCode(), 0);
    const QByteArray textBytes = text.readAllStandardOutput();
    const QStringList lines = test::rightTrimmed(withoutTrailingBlankLines(test::windows1251Lines(textBytes)));
    QVERIFY(lines.contains(QStringLiteral("3. Тёлка «Зорька» -  [3.1]")));

    QProcess run;
    if (noDisplay) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(name));
        run.setProcessEnvironment(env);
    }
    run.start(QStringLiteral(PLEQ_CLI), QStringList{QStringLiteral("protocol"), project} + extra);
    QVERIFY(run.waitForFinished(60000));
    QTEST(run.exitCode(), "status");
    // Before it, the plate's validity messages, as without --pdf.
    const QString messages = QString::fromUtf8(run.readAllStandardError());
    QVERIFY2(messages.endsWith(err.isEmpty() ? QStringLiteral(" Результат не действителен.\n") : err),
             qPrintable(messages));
    QCOMPARE(run.readAllStandardOutput(), QByteArray());

    const QString pdf = extra.at(1);
    const QString textPath = dir.filePath(QStringLiteral("result.txt"));
    if (!err.isEmpty()) {
        QVERIFY(!QFileInfo::exists(textPath));
        return;
    }
    QCOMPARE(QFileInfo::exists(textPath), extra.contains(QStringLiteral("-o")));
    if (extra.contains(QStringLiteral("-o")))
        QCOMPARE(fileBytes(textPath), textBytes);
    if (!test::PdfTextReadable)
        QSKIP(PDF_TEXT_UNREADABLE_REASON);
    const QList<QStringList> pages = test::pdfPages(pdf);
    QCOMPARE(pages.size(), 1);
    QStringList body = pages.first();
    QCOMPARE(body.takeLast().trimmed(), QStringLiteral("Стр. 1 из 1"));
    QCOMPARE(withoutTrailingBlankLines(body), lines);
}

QTEST_GUILESS_MAIN(TestProtocolCli)
#include "tst_protocolcli.moc"
