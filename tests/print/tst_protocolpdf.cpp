#include "support/pdftext.h"
#include "support/texts.h"

#include "core/files/fileio.h"
#include "core/files/protocolpages.h"
#include "core/layout/fill.h"
#include "core/model/errors.h"
#include "core/model/operations.h"
#include "core/model/project.h"
#include "print/protocolprint.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace pleq;
using namespace pleq::test;

namespace {

using test::errorOf;
using test::withoutTrailingBlankLines;

QStringList fixtureLines(const QString& name)
{
    QFile file(QStringLiteral(PLEQ_FIXTURES "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read fixture %s", qPrintable(name));
    return test::windows1251Lines(file.readAll());
}

// A page as pdftotext gives it: the text lines above the footer, and the footer.
struct Page {
    QStringList body;
    QString footer;
};

QList<Page> splitPages(const QList<QStringList>& pages)
{
    QList<Page> result;
    for (QStringList lines : pages) {
        const QString footer = lines.isEmpty() ? QString() : lines.takeLast().trimmed();
        result.append({withoutTrailingBlankLines(lines), footer});
    }
    return result;
}

} // namespace

class TestProtocolPdf : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void holdsTheProtocolLines();
    void longProtocolOnPages();
    void refused_data();
    void refused();
    void pages_data();
    void pages();
};

// The PDF's text, extracted, is the protocol line for line with its columns
// where they were, in the one pinned font.
void TestProtocolPdf::holdsTheProtocolLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("protocol.pdf"));
    const QStringList lines = fixtureLines(QStringLiteral("kit02-result.txt"));
    QCOMPARE(errorOf([&] { writeProtocolPdf(lines, path); }), QStringLiteral("no error"));

    if (!PdfTextReadable)
        QSKIP(PDF_TEXT_UNREADABLE_REASON);
    const QList<Page> pages = splitPages(pdfPages(path));
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages.at(0).body, withoutTrailingBlankLines(rightTrimmed(lines)));
    QCOMPARE(pages.at(0).footer, QStringLiteral("Стр. 1 из 1"));

    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), {path});
    QVERIFY(fonts.waitForFinished());
    const QStringList rows =
        QString::fromUtf8(fonts.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 3); // two heading rows, one font
    QVERIFY2(rows.at(2).contains(QStringLiteral("DejaVuSansMono ")), qPrintable(rows.at(2)));
}

// A protocol of 91 samples (one at start, 90 added) runs over two A4 pages,
// broken between lines, each page numbered in its footer.
void TestProtocolPdf::longProtocolOnPages()
{
    Project project;
    for (int i = 0; i < 90; ++i)
        addSampleRow(project);
    fillPlate(project);
    const QStringList lines = protocolTextLines(project);
    QVERIFY(lines.contains(QStringLiteral("91. Проба №91 -  [91.1]")));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.pdf"));
    writeProtocolPdf(lines, path);
    if (!PdfTextReadable)
        QSKIP(PDF_TEXT_UNREADABLE_REASON);
    const QList<Page> pages = splitPages(pdfPages(path));
    QCOMPARE(pages.size(), 2);
    QStringList all;
    QStringList footers;
    for (const Page& page : pages) {
        all += page.body;
        footers.append(page.footer);
    }
    QCOMPARE(footers, (QStringList{"Стр. 1 из 2", "Стр. 2 из 2"}));
    QCOMPARE(withoutTrailingBlankLines(all), withoutTrailingBlankLines(rightTrimmed(lines)));
}

void TestProtocolPdf::refused_data()
{
    // clang-format off
    const QString dejavu = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("name"); // in a fresh folder, written as %1 in the message
    QTest::addColumn<QString>("message");

    QTest::newRow("character not in the font")
        << QStringList{"Проба №1", "Проба 中"} << dejavu + "DejaVuSansMono.ttf" << "protocol.pdf"
        << "В шрифте /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf нет знака «中» (U+4E2D), строка 2 протокола";
    QTest::newRow("character past the basic plane")
        << QStringList{"😀"} << dejavu + "DejaVuSansMono.ttf" << "protocol.pdf"
        << "В шрифте /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf нет знака «😀» (U+1F600), строка 1 протокола";
    QTest::newRow("font file missing")
        << QStringList{"Проба №1"} << "/nonexistent/DejaVuSansMono.ttf" << "protocol.pdf"
        << "Шрифт протокола не найден: /nonexistent/DejaVuSansMono.ttf";
    QTest::newRow("font not monospace")
        << QStringList{"Проба №1"} << dejavu + "DejaVuSans.ttf" << "protocol.pdf"
        << "Шрифт протокола не моноширинный: /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    // The earlier file here is the folder's name taken by a file.
    QTest::newRow("folder is a file")
        << QStringList{"Проба №1"} << dejavu + "DejaVuSansMono.ttf" << "protocol.pdf/new.pdf"
        << "Не удалось сохранить PDF %1/protocol.pdf/new.pdf: Not a directory";
    // clang-format on
}

// A PDF that could not show every character, or not in columns, is refused
// with the reason, and an earlier file stays as it was.
void TestProtocolPdf::refused()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, font);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString earlierPath = dir.filePath(QStringLiteral("protocol.pdf"));
    QFile earlier(earlierPath);
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
    earlier.close();
    QCOMPARE(errorOf([&] { writeProtocolPdf(lines, dir.filePath(name), font); }),
             message.replace(QLatin1String("%1"), dir.path()));
    QCOMPARE(fileBytes(earlierPath), QByteArray("earlier"));
}

void TestProtocolPdf::pages_data()
{
    // clang-format off
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<int>("perPage");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<QStringList>("footers");

    QTest::newRow("empty protocol: one empty page") << 0 << 60 << QList<int>{0} << QStringList{"Стр. 1 из 1"};
    QTest::newRow("exactly one page") << 60 << 60 << QList<int>{60} << QStringList{"Стр. 1 из 1"};
    QTest::newRow("one line over") << 61 << 60 << QList<int>{60, 1} << QStringList{"Стр. 1 из 2", "Стр. 2 из 2"};
    QTest::newRow("no room: a line a page") << 2 << 0 << QList<int>{1, 1} << QStringList{"Стр. 1 из 2", "Стр. 2 из 2"};
    // clang-format on
}

// The page cut: whole lines, in order, none lost at a boundary.
void TestProtocolPdf::pages()
{
    QFETCH(int, lineCount);
    QFETCH(int, perPage);
    QStringList lines;
    for (int i = 1; i <= lineCount; ++i)
        lines.append(QString::number(i));
    const QList<ProtocolPage> pages = protocolPages(lines, perPage);
    QList<int> sizes;
    QStringList footers;
    QStringList all;
    for (const ProtocolPage& page : pages) {
        sizes.append(int(page.lines.size()));
        footers.append(page.footer);
        all += page.lines;
    }
    QTEST(sizes, "sizes");
    QTEST(footers, "footers");
    QCOMPARE(all, lines);
}

QTEST_MAIN(TestProtocolPdf)
#include "tst_protocolpdf.moc"
