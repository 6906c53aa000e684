#include "archivefixture.h"

#include "core/model/errors.h"

#include <QTemporaryDir>

using namespace pleq;
using namespace pleq::test;

class TestArchive : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    // A fresh archive place of the back end.
    ArchiveLocation newLocation(const QString& backend)
    {
        if (backend == QLatin1String("sqlite"))
            return ArchiveLocation::parse(m_dir.filePath(QStringLiteral("archive-%1.sqlite").arg(++m_files)));
        return {};
    }

    void backends()
    {
        QTest::addColumn<QString>("backend");
        QTest::newRow("sqlite") << QStringLiteral("sqlite");
    }

private Q_SLOTS:
    void appendReopenVerify_data() { backends(); }
    void appendReopenVerify()
    {
        QFETCH(QString, backend);
        const ArchiveLocation location = newLocation(backend);
        const RunRecord first = plateRun(QStringLiteral("Планшет 1"), 0, QStringLiteral("1,1"));
        {
            Archive archive(location);
            archive.open();
            QCOMPARE(archive.append(first), 1);
            QCOMPARE(archive.append(plateRun(QStringLiteral("Планшет 2"), 5)), 2);
            QCOMPARE(archive.append(plateRun(QStringLiteral("Планшет 3"), 10)), 3);
            // The same run sent again is stored once.
            QCOMPARE(archive.append(first), 1);
        }
        Archive archive(location);
        QCOMPARE(archive.runCount(), 3);
        const std::optional<StoredRun> stored = archive.run(1);
        QVERIFY(stored);
        const RunRecord& r = stored->record;
        QCOMPARE(r.uid, first.uid);
        QCOMPARE(r.plateName, QStringLiteral("Планшет 1"));
        QCOMPARE(r.executor, QStringLiteral("Иванова А. П."));
        QCOMPARE(r.host, QStringLiteral("reader-pc"));
        QCOMPARE(r.kit, Kit::K02);
        QCOMPARE(r.time.toString(Qt::ISODateWithMs), QStringLiteral("2026-12-01T10:00:00.000+03:00"));
        QCOMPARE(r.wells.size(), size_t(96));
        QCOMPARE(r.wells[0].name(), QStringLiteral("A1"));
        QCOMPARE(r.wells[0].layout, QStringLiteral("C+"));
        QCOMPARE(r.wells[0].density, QStringLiteral("1,1"));
        QCOMPARE(r.wells[4].layout, QStringLiteral("1.1"));
        QCOMPARE(r.wells[4].sample, 1);
        QCOMPARE(r.samples.size(), size_t(2));
        QCOMPARE(r.samples[1].name, QStringLiteral("Корова 18"));
        QCOMPARE(r.controls.size(), size_t(2));
        QCOMPARE(r.controls[0].control, QStringLiteral("C+"));
        QCOMPARE(r.controls[0].mean, 1.2);
        QCOMPARE(r.controls[0].wells, 2);
        QCOMPARE(r.controls[1].mean, 0.11);
        QCOMPARE(r.projectFile, first.projectFile);
        QCOMPARE(r.protocol, first.protocol);
        QCOMPARE(stored->previousHash, QByteArray());
        QCOMPARE(archive.run(2)->previousHash, stored->hash);
        QVERIFY(!archive.run(4));

        const VerifyReport report = archive.verify();
        QCOMPARE(report.message, QStringLiteral("Все 3 записи архива целы."));
        QVERIFY(report.intact());
        QCOMPARE(report.runs, 3);
    }

    // Plain SQL changes the archive behind the program's back; verify names
    // the first run whose content or order changed.
    void tamper_data()
    {
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<qint64>("firstBad");
        QTest::addColumn<QString>("message");
        const QString changed = QStringLiteral("Запись 2 (планшет «Планшет 2», 2026-12-01 10:05): содержимое изменено.");
        QTest::newRow("a density")
            << QStringList{QStringLiteral("UPDATE run_wells SET density = '1,9' WHERE seq = 2 AND col = 1 AND row = 1")}
            << qint64(2) << changed;
        QTest::newRow("a result value")
            << QStringList{QStringLiteral("UPDATE run_wells SET value = value + 0.001 WHERE seq = 2 AND col = 1 AND row = 5")}
            << qint64(2) << changed;
        QTest::newRow("a well deleted")
            << QStringList{QStringLiteral("DELETE FROM run_wells WHERE seq = 2 AND col = 12 AND row = 8")} << qint64(2)
            << changed;
        QTest::newRow("the journal's positive count")
            << QStringList{QStringLiteral("UPDATE runs SET positive = positive + 1 WHERE seq = 2")} << qint64(2) << changed;
        QTest::newRow("a verdict no run writes")
            << QStringList{QStringLiteral("UPDATE run_wells SET verdict = 'maybe' WHERE seq = 2 AND verdict = 'none'")}
            << qint64(2) << changed;
        QTest::newRow("a run deleted")
            << QStringList{QStringLiteral("DELETE FROM run_wells WHERE seq = 2"),
                           QStringLiteral("DELETE FROM run_samples WHERE seq = 2"),
                           QStringLiteral("DELETE FROM run_controls WHERE seq = 2"),
                           QStringLiteral("DELETE FROM runs WHERE seq = 2")}
            << qint64(3) << QStringLiteral("Перед записью 3 удалена или переставлена запись: цепочка разорвана.");
        QTest::newRow("two runs swapped")
            << QStringList{QStringLiteral("UPDATE runs SET seq = -2 WHERE seq = 2"),
                           QStringLiteral("UPDATE runs SET seq = 2 WHERE seq = 3"),
                           QStringLiteral("UPDATE runs SET seq = 3 WHERE seq = -2")}
            << qint64(2) << QStringLiteral("Перед записью 2 удалена или переставлена запись: цепочка разорвана.");
        QTest::newRow("the last run deleted")
            << QStringList{QStringLiteral("DELETE FROM runs WHERE seq = 3")} << qint64(3)
            << QStringLiteral("После записи 2 удалены записи: архив помнит их до записи 3.");
    }
    void tamper()
    {
        QFETCH(QStringList, statements);
        QFETCH(qint64, firstBad);
        QFETCH(QString, message);
        const ArchiveLocation location = newLocation(QStringLiteral("sqlite"));
        {
            Archive archive(location);
            for (int i = 0; i < 3; ++i)
                archive.append(plateRun(QStringLiteral("Планшет %1").arg(i + 1), 5 * i));
            QVERIFY(archive.verify().intact());
        }
        {
            PlainSql plain(location.path);
            QCOMPARE(plain.run(statements), QString());
        }
        Archive archive(location);
        const VerifyReport report = archive.verify();
        QCOMPARE(report.message, message);
        QCOMPARE(report.firstBad, firstBad);
    }
};

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
