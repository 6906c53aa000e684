// The journal on a large archive: fills an archive (an SQLite file or a
// PostgreSQL database) with generated runs (the columns the journal reads;
// wells and hashes left out, as no one verifies this archive), then times the
// journal window's reads, each until its rows are shown, and the longest gap
// of the window's event loop meanwhile (a 10 ms timer's ticks): the reads run
// on the journal's worker, so the window answers throughout (goal: no gap
// over 100 ms).
//   pleq-journal-bench ARCHIVE [RUNS]   an existing ARCHIVE with RUNS already is reused

#include "archive/archive.h"
#include "core/model/errors.h"
#include "archive/archivesession.h"
#include "core/tasks/worker.h"
#include "gui/qc/qcwindow.h"
#include "gui/archive/journalmodel.h"
#include "gui/archive/journalwindow.h"
#include "support/stallmeter.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

using namespace pleq;

namespace {

const char* const Executors[] = {"Иванова А. П.",  "Петров С. В.", "Сидорова Е. К.",  "Кузнецов И. И.",
                                 "Смирнова О. Н.", "Попов Д. А.",  "Васильева Т. М.", "Новиков Р. Г."};
const char* const Animals[] = {"Корова", "Овца", "Коза", "Свинья", "Лошадь"};

void fail(const QString& what)
{
    std::fprintf(stderr, "%s\n", qPrintable(what));
    std::exit(1);
}

void generate(Archive& archive, int runs)
{
    QSqlDatabase db = QSqlDatabase::database(archive.connectionName());
    QSqlQuery count(db);
    if (count.exec(QStringLiteral("SELECT COUNT(*) FROM runs")) && count.next() && count.value(0).toInt() >= runs)
        return;
    count.finish();
    QElapsedTimer timer;
    timer.start();
    db.transaction();
    QSqlQuery insert(db);
    insert.prepare(
        QStringLiteral("INSERT INTO runs (seq, uid, time, time_utc, executor, host, os_user, kit, plate_name, material,"
                       " sample_count, positive, negative, doubtful, valid, sample_names, labels, messages, log,"
                       " prev_hash, hash) VALUES (?, ?, ?, ?, ?, 'bench', 'lab', ?, ?, NULL, ?, ?, ?, ?, ?, ?, '[]', "
                       "'[]', '[]', '', '')"));
    const QDateTime start(QDate(2024, 1, 9), QTime(8, 0), QTimeZone(3 * 3600));
    quint32 state = 12345;
    // The high bits of a linear congruential generator: its low bits repeat too soon.
    const auto next = [&state] { return (state = state * 1664525u + 1013904223u) >> 8; };
    for (int seq = 1; seq <= runs; ++seq) {
        const QDateTime time = start.addSecs(qint64(seq) * 900 + next() % 600); // every quarter of an hour
        const int samples = int(next() % 45) + 1;
        const int positive = int(next() % (samples + 1));
        const int doubtful = int(next() % (samples - positive + 1));
        QStringList names;
        for (int i = 0; i < std::min(samples, 6); ++i)
            names << QStringLiteral("%1 %2").arg(QString::fromUtf8(Animals[next() % 5])).arg(next() % 10000);
        insert.addBindValue(seq);
        insert.addBindValue(QStringLiteral("bench-%1").arg(seq));
        insert.addBindValue(time.toString(Qt::ISODateWithMs));
        insert.addBindValue(time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")));
        insert.addBindValue(QString::fromUtf8(Executors[next() % 8]));
        insert.addBindValue(int(next() % 5) + 1);
        insert.addBindValue(QStringLiteral("Планшет %1").arg(next() % 100000));
        insert.addBindValue(samples);
        insert.addBindValue(positive);
        insert.addBindValue(samples - positive - doubtful);
        insert.addBindValue(doubtful);
        insert.addBindValue(next() % 10 ? 1 : 0);
        insert.addBindValue(names.join(QLatin1Char('\n')));
        if (!insert.exec())
            fail(insert.lastError().text());
    }
    QSqlQuery head(db);
    head.exec(QStringLiteral("UPDATE chain_head SET seq = %1").arg(runs));
    db.commit();
    std::printf("generated %d runs in %.1f s\n", runs, double(timer.elapsed()) / 1000);
}

// Runs the event loop until `done`; fails after two minutes.
void waitFor(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 120000)
            fail(QStringLiteral("a read took more than two minutes"));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2)
        fail(QStringLiteral("usage: pleq-journal-bench ARCHIVE [RUNS]"));
    const int runs = argc > 2 ? std::atoi(argv[2]) : 100000;
    qputenv("PLEQ_ARCHIVE", argv[1]);
    ArchiveSession session;
    try {
        generate(session.openArchive(), runs);
    } catch (const Error& e) {
        fail(e.message());
    }

    std::printf("%-44s %10s %16s\n", "journal read (until its rows show)", "wall ms", "longest gap ms");
    const auto step = [](const char* name, const std::function<void()>& start, const std::function<bool()>& done) {
        test::StallMeter meter;
        QElapsedTimer timer;
        timer.start();
        start();
        waitFor(done);
        const QString text = QString::fromUtf8(name);
        std::printf("%s%s %10.1f %16lld\n", qPrintable(text), qPrintable(QString(44 - text.size(), QLatin1Char(' '))),
                    double(timer.nsecsElapsed()) / 1e6, static_cast<long long>(meter.longestMs()));
    };

    std::unique_ptr<JournalWindow> window;
    const auto idle = [&window] { return !window->loading(); };
    step(
        "open (head, executors, newest first)",
        [&] {
            window = std::make_unique<JournalWindow>(session);
            window->setAttribute(Qt::WA_DeleteOnClose, false); // the bench owns it
        },
        idle);
    JournalModel& model = *window->model();
    step(
        "quality flags of every run", [&] { fillQcFlags(*window, session); },
        [&] { return window->qcFlagsWorker().pending() == 0; });
    step(
        "filter: kit 03", [&] { window->findChild<QComboBox*>(QStringLiteral("journal.kit"))->setCurrentIndex(3); },
        idle);
    step(
        "filter: all kits again",
        [&] { window->findChild<QComboBox*>(QStringLiteral("journal.kit"))->setCurrentIndex(0); }, idle);
    step(
        "sort: plate name",
        [&] {
            window->table()->horizontalHeader()->setSortIndicator(int(JournalColumn::PlateName), Qt::AscendingOrder);
        },
        idle);
    step(
        "sort: newest first",
        [&] { window->table()->horizontalHeader()->setSortIndicator(int(JournalColumn::Time), Qt::DescendingOrder); },
        idle);
    step(
        "Обновить (head, executors, newest first)", [&] { window->refresh(); }, idle);
    step(
        "scroll to the last run (every page read)", [] {},
        [&] {
            if (window->loading())
                return false;
            if (!model.canFetchMore({}))
                return true;
            model.fetchMore({});
            return false;
        });
    std::printf("runs listed at the end: %d\n", model.rowCount());
    return 0;
}
