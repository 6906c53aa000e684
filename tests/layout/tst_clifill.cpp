#include "support/clirun.h"
#include "platemap.h"

#include "core/files/projectfile.h"
#include "gui/commands/windowedits.h"
#include "gui/layout/layoutwindow.h"
#include "core/model/project.h"
#include "support/recordingdialogs.h"

#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace pleq;
using test::wellsOf;

namespace {

using Run = test::CliRun;

Run pleqCli(const QStringList& args)
{
    return test::runCli(args);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// pleq-cli fill on a saved project lays out the plate exactly as "Заполнить"
// in the window does for the same inputs, and writes the file "Сохранить ..." would.
class TestCliFill : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sameAsWindow_data();
    void sameAsWindow();
    void usage_data();
    void usage();
};

void TestCliFill::sameAsWindow_data()
{
    // clang-format off
    QTest::addColumn<int>("kitIndex");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<QString>("firstRow");
    QTest::addColumn<QString>("firstColumn");
    QTest::addColumn<QString>("repetitions");
    QTest::addColumn<QString>("controlCount");
    QTest::addColumn<QStringList>("quantities");
    QTest::addColumn<QString>("error");
    QTest::newRow("01 horizontal from B3, m=2") << 0 << true << "B" << "3" << "02" << "1" << QStringList{"2", "0", "3"} << "";
    QTest::newRow("03 vertical from F7, k=2") << 2 << false << "F" << "7" << "01" << "2" << QStringList{"4", "1"} << "";
    QTest::newRow("04 horizontal from A12") << 3 << true << "A" << "12" << "01" << "1" << QStringList{"2"} << "";
    QTest::newRow("05 vertical, 100 wells") << 4 << false << "A" << "1" << "03" << "1" << QStringList{"40", "60"} << "";
    QTest::newRow("letters quantity") << 1 << false << "C" << "2" << "01" << "1" << QStringList{"1", "abc"}
                                      << "'abc' is not a valid integer value";
    // clang-format on
}

void TestCliFill::sameAsWindow()
{
    QFETCH(int, kitIndex);
    QFETCH(bool, horizontal);
    QFETCH(QString, firstRow);
    QFETCH(QString, firstColumn);
    QFETCH(QString, repetitions);
    QFETCH(QString, controlCount);
    QFETCH(QStringList, quantities);
    QFETCH(QString, error);

    test::RecordingDialogs dialogs;
    Project project;
    EditStack edits(project);
    LayoutWindow window(edits);
    project.selectKit(Kit(kitIndex));
    project.setHorizontal(horizontal);
    project.setFirstWell({FirstRow::fromText(firstRow), FirstColumn::fromText(firstColumn)});
    project.setRepetitions(Repetitions::fromText(repetitions));
    project.setControlCount(ControlCount::fromText(controlCount));
    TextGrid& samples = project.sampleTable();
    samples.setRows(int(quantities.size()) + 1);
    for (int i = 1; i <= quantities.size(); ++i) {
        samples.setCell(0, i, QString::number(i));
        samples.setCell(1, i, QStringLiteral("Проба №%1").arg(i));
        samples.setCell(2, i, quantities.at(i - 1));
    }

    // Saved with the start-up map: the command must lay the plate out anew.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString in = dir.filePath(QStringLiteral("in.plq"));
    const QString out = dir.filePath(QStringLiteral("out.plq"));
    QVERIFY(writeFile(in, writeProjectFile(project)));

    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("layout.fill")), Qt::LeftButton);

    const Run toFile = pleqCli({QStringLiteral("fill"), in, QStringLiteral("-o"), out});
    if (!error.isEmpty()) {
        QCOMPARE(dialogs.errors, QStringList{error});
        QCOMPARE(toFile.status, 1);
        QCOMPARE(toFile.err, QStringLiteral("pleq-cli: ") + error + QLatin1Char('\n'));
        QVERIFY(toFile.out.isEmpty());
        QVERIFY(!QFile::exists(out));
        const Run toStdout = pleqCli({QStringLiteral("fill"), in});
        QCOMPARE(toStdout.status, 1);
        QVERIFY(toStdout.out.isEmpty());
        return;
    }
    QVERIFY(dialogs.errors.isEmpty());
    QVERIFY(toFile.err.isEmpty());
    QCOMPARE(toFile.status, 0);
    QVERIFY(toFile.out.isEmpty());

    // The map first, for a readable difference; then every byte.
    Project reopened;
    readProjectFile(reopened, readFile(out));
    QCOMPARE(wellsOf(reopened.plateLayout()), wellsOf(project.plateLayout()));
    QCOMPARE(readFile(out), writeProjectFile(project));

    const Run toStdout = pleqCli({QStringLiteral("fill"), in});
    QCOMPARE(toStdout.status, 0);
    QCOMPARE(toStdout.out, writeProjectFile(project));
}

void TestCliFill::usage_data()
{
    // clang-format off
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no project") << QStringList{"fill"};
    QTest::newRow("-o without a name") << QStringList{"fill", "a.plq", "-o"};
    QTest::newRow("two projects") << QStringList{"fill", "a.plq", "b.plq"};
    QTest::newRow("unknown option") << QStringList{"fill", "a.plq", "--json"};
    // clang-format on
}

void TestCliFill::usage()
{
    QFETCH(QStringList, args);
    const Run run = pleqCli(args);
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY(run.err.contains(QStringLiteral("usage: pleq-cli fill PROJECT.plq [-o OUT.plq]")));
}

QTEST_MAIN(TestCliFill)
#include "tst_clifill.moc"
