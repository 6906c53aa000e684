#include "qc/qcruns.h"
#include "support/recordingdialogs.h"

#include "core/model/numberformat.h"
#include "core/model/project.h"
#include "gui/app/mainwindow.h"
#include "support/appsession.h"
#include "archive/archivesession.h"
#include "gui/archive/journalmodel.h"
#include "gui/archive/journalwindow.h"
#include "gui/qc/controlchart.h"
#include "gui/qc/qcwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QPointer>
#include <QTest>
#include <QTreeWidget>

using namespace pleq;

namespace {

QStringList rowTexts(const QTreeWidget* tree)
{
    QStringList rows;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = tree->topLevelItem(i);
        QStringList cells;
        for (int c = 0; c < tree->columnCount(); ++c)
            cells << item->text(c);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

// "Архив" → "Контроль качества ..." in the main window over a real archive
// file: the kit chosen, the flagged points listed and marked on the chart, the
// charts saved as PNG and printed, the same flags in the journal's column; an
// archive that does not open.
class TestQcWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void chartOfAKitWithARuleFiring();
    void journalColumn();
    void laptopScreenInTheUsersNumbers();
    void archiveThatDoesNotOpen();
    void cleanup();

private:
    void start(const QString& archive);
    QcWindow* openFromMenu();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_archive;
    test::RecordingDialogs m_dialogs;
    std::unique_ptr<Session> m_session;
    Project* m_project = nullptr;
    std::unique_ptr<MainWindow> m_main;
};

void TestQcWindow::initTestCase()
{
    QLocale::setDefault(QLocale::c());
}

void TestQcWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_archive = m_dir->filePath(QStringLiteral("archive.sqlite"));
    Archive archive(ArchiveLocation::parse(m_archive));
    archive.open();
    test::archiveQcRuns(archive);
}

void TestQcWindow::start(const QString& archive)
{
    m_dialogs.clear();
    qputenv("PLEQ_ARCHIVE", archive.toUtf8());
    m_session = test::makeSession();
    m_project = &m_session->project();
    m_main = std::make_unique<MainWindow>(*m_session);
}

void TestQcWindow::cleanup()
{
    m_main.reset();
    m_session.reset();
    m_project = nullptr;
    qunsetenv("PLEQ_ARCHIVE");
}

QcWindow* TestQcWindow::openFromMenu()
{
    m_main->findChild<QAction*>(QStringLiteral("menu.archive.qc"))->trigger();
    // The points come from the window's worker; a window whose first read fails closes.
    const QPointer<QcWindow> window = m_main->findChild<QcWindow*>(QStringLiteral("qcWindow"));
    (void)QTest::qWaitFor([&] { return !window || !window->loading(); }, 10000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window;
}

void TestQcWindow::chartOfAKitWithARuleFiring()
{
    start(m_archive);
    QcWindow* window = openFromMenu();
    QVERIFY(window);
    QVERIFY(m_dialogs.errors.isEmpty());
    window->findChild<QSpinBox*>(QStringLiteral("qc.baselineRuns"))->setValue(3);

    // Kit 01 has one run: no limits, said plainly.
    auto* kit = window->findChild<QComboBox*>(QStringLiteral("qc.kit"));
    kit->setCurrentIndex(0);
    QTRY_VERIFY(!window->loading());
    const QString messages = window->findChild<QLabel*>(QStringLiteral("qc.messages"))->text();
    QVERIFY2(messages.startsWith(QStringLiteral("Для контроля S+ в базовом периоде (первые 3 планшета набора) меньше "
                                                "двух точек (1): пределы не рассчитаны.\n")),
             qPrintable(messages));

    kit->setCurrentIndex(2);
    QTRY_VERIFY(!window->loading());
    const auto* flagged = window->findChild<QTreeWidget*>(QStringLiteral("qc.flagged"));
    // The time as the run recorded it, at its workstation's offset.
    QCOMPARE(rowTexts(flagged),
             (QStringList{"4|04.03.2026 10:00|C+|3.6000|3.20|1-2s, 1-3s", "6|06.03.2026 10:00|C+|3.0100|2.02|1-2s"}));

    // The chart of C+ marks run 4 as a rejection, run 6 as a warning, run 5 as a plain point.
    window->resize(1000, 900);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto* chart = window->findChild<ControlChartView*>(QStringLiteral("qc.chart.C+"));
    QVERIFY(chart);
    QCOMPARE(chart->controlChart().points.size(), std::size_t(6));
    const QImage image = chart->grab().toImage();
    const auto colourAt = [&](std::size_t index) { return QColor(image.pixel(chart->pointPosition(index).toPoint())); };
    QCOMPARE(colourAt(3), chart::RejectionColor);
    QCOMPARE(colourAt(4), chart::PointColor);
    QCOMPARE(colourAt(5), chart::WarningColor);

    // "Сохранить PNG ...": the three charts of kit 03, 900 × 260 each.
    m_dialogs.nextFileNames << m_dir->filePath(QStringLiteral("qc"));
    window->findChild<QPushButton*>(QStringLiteral("qc.savePng"))->click();
    QVERIFY(m_dialogs.errors.isEmpty());
    QFile png(m_dir->filePath(QStringLiteral("qc.png")));
    QVERIFY(png.open(QIODevice::ReadOnly));
    const QByteArray bytes = png.readAll();
    QVERIFY(bytes.startsWith("\x89PNG\r\n\x1a\n"));
    QVERIFY2(bytes.size() > 10000 && bytes.size() < 300000, qPrintable(QString::number(bytes.size())));
    QCOMPARE(QImage::fromData(bytes, "PNG").size(), QSize(900, 780));

    // "Печать ...": one job through the print dialog.
    window->findChild<QPushButton*>(QStringLiteral("qc.print"))->click();
    QCOMPARE(m_dialogs.printDialogs, 1);
    QCOMPARE(m_dialogs.printed.size(), 1);
    QVERIFY(m_dialogs.printed.first().startsWith("%PDF"));
    // A run archived meanwhile (seq 19): the window reads the kit's points
    // again; C+ at +3.2 SD after run 6's +2.02 SD adds 2-2s. The list stays in
    // the order of the runs.
    {
        Archive archive(ArchiveLocation::parse(m_archive));
        archive.append(test::qcRun(19, Kit::K03, {{QStringLiteral("C+"), 3.6}, {QStringLiteral("C-"), 0.25}}));
    }
    m_main->archive().notifyArchived();
    QTRY_VERIFY(!window->loading());
    QCOMPARE(rowTexts(flagged),
             (QStringList{"4|04.03.2026 10:00|C+|3.6000|3.20|1-2s, 1-3s", "6|06.03.2026 10:00|C+|3.0100|2.02|1-2s",
                          "19|19.03.2026 10:00|C+|3.6000|3.20|1-2s, 1-3s, 2-2s"}));

    // A period as the baseline (March 1 and 2: C+ mean 2.0, SD 0.7071) and
    // only the points of March 4 and 5: run 4 at +2.26 SD is a warning now.
    window->findChild<QDateEdit*>(QStringLiteral("qc.baselineFrom"))->setDate(QDate(2026, 3, 1));
    window->findChild<QDateEdit*>(QStringLiteral("qc.baselineTo"))->setDate(QDate(2026, 3, 2));
    window->findChild<QRadioButton*>(QStringLiteral("qc.baselinePeriod"))->click();
    window->findChild<QDateEdit*>(QStringLiteral("qc.from"))->setDate(QDate(2026, 3, 4));
    window->findChild<QDateEdit*>(QStringLiteral("qc.to"))->setDate(QDate(2026, 3, 5));
    window->findChild<QCheckBox*>(QStringLiteral("qc.range"))->setChecked(true);
    QCOMPARE(rowTexts(flagged), (QStringList{"4|04.03.2026 10:00|C+|3.6000|2.26|1-2s"}));
    QCOMPARE(window->findChild<ControlChartView*>(QStringLiteral("qc.chart.C+"))->controlChart().points.size(),
             std::size_t(2));

    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(m_main->findChild<QcWindow*>(QStringLiteral("qcWindow")), nullptr);
}

// The journal shows per run the rules that flagged it, with the default
// baseline (the first 20 runs of each kit): only run 18 (qcruns.h).
void TestQcWindow::journalColumn()
{
    start(m_archive);
    m_main->findChild<QAction*>(QStringLiteral("menu.archive.journal"))->trigger();
    QVERIFY(m_main->journal());
    QTRY_VERIFY(!m_main->journal()->loading());
    const JournalModel& model = *m_main->journal()->model();
    QCOMPARE(model.rowCount(), 18);
    const auto flagged = [&model] {
        QStringList rows;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QString flags = model.data(model.index(row, JournalModel::QcColumn)).toString();
            if (!flags.isEmpty())
                rows << QStringLiteral("%1: %2").arg(model.seq(row)).arg(flags);
        }
        return rows;
    };
    // The flags come from a thread of their own.
    QTRY_COMPARE(flagged(), QStringList{"18: 1-2s (C+, C-), R-4s (C+, C-)"});
    QCOMPARE(m_dialogs.errors, QStringList());
}

// With the decimal comma the flagged list writes means and z as the chart
// and the rest of the program do; on a 1366 × 768 screen the charts take the
// larger share of the window.
void TestQcWindow::laptopScreenInTheUsersNumbers()
{
    setDecimalSeparator(QLatin1Char(','));
    start(m_archive);
    QcWindow* window = openFromMenu();
    QVERIFY(window);
    window->findChild<QSpinBox*>(QStringLiteral("qc.baselineRuns"))->setValue(3);
    window->findChild<QComboBox*>(QStringLiteral("qc.kit"))->setCurrentIndex(2);
    QTRY_VERIFY(!window->loading());
    const auto* flagged = window->findChild<QTreeWidget*>(QStringLiteral("qc.flagged"));
    QCOMPARE(rowTexts(flagged),
             (QStringList{"4|04.03.2026 10:00|C+|3,6000|3,20|1-2s, 1-3s", "6|06.03.2026 10:00|C+|3,0100|2,02|1-2s"}));
    setDecimalSeparator(std::nullopt);

    // The window as it opens, the whole of a 1366 × 768 screen, and the
    // height a panel leaves there; its controls fit such a screen.
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(window->minimumSizeHint().width() <= 1366 && window->minimumSizeHint().height() <= 700);
    const auto* charts = window->findChild<QWidget*>(QStringLiteral("qc.charts"));
    for (const QSize size : {window->size(), QSize(1366, 768), QSize(1366, 700)}) {
        window->resize(size);
        QCoreApplication::sendPostedEvents();
        const QString heights = QStringLiteral("%1 × %2: charts %3, list %4")
                                    .arg(size.width())
                                    .arg(size.height())
                                    .arg(charts->height())
                                    .arg(flagged->height());
        QVERIFY2(charts->height() > 2 * flagged->height(), qPrintable(heights));
        QVERIFY2(flagged->height() >= 100, qPrintable(heights)); // a few rows still show
    }
}

void TestQcWindow::archiveThatDoesNotOpen()
{
    const QString path = m_dir->filePath(QStringLiteral("not-a-database.sqlite"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    start(path);
    QCOMPARE(openFromMenu(), nullptr);
    QCOMPARE(m_dialogs.errors.size(), 1);
    QVERIFY2(m_dialogs.errors.first().contains(QDir::toNativeSeparators(path)), qPrintable(m_dialogs.errors.first()));
}

QTEST_MAIN(TestQcWindow)
#include "tst_qcwindow.moc"
