// The journal on a large archive: fills an SQLite archive with generated runs
// (the columns the journal reads; wells and hashes left out, as no one
// verifies this archive) and times the journal window's open and its
// filters and sorts, each a query the database answers plus the first rows.
//   pleq-journal-bench ARCHIVE [RUNS]   an existing ARCHIVE with RUNS already is reused

#include "archive/archive.h"
#include "core/model/errors.h"
#include "archive/archivesession.h"
#include "gui/archive/journalmodel.h"
#include "gui/archive/journalwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
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

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
            + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3);
}

struct Timing {
    double wall = 0; // ms
    double cpu = 0;  // ms of this process (the database is in it for SQLite); steadier on a busy machine
};

// The medians of five runs of `step`.
Timing timed(const std::function<void()>& step)
{
    std::vector<double> walls, cpus;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        const double cpu = cpuMs();
        timer.start();
        step();
        walls.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpus.push_back(cpuMs() - cpu);
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[2], cpus[2]};
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

    std::printf("%-46s %12s %12s\n", "journal step (query + first rows shown)", "wall ms", "CPU ms");
    const auto row = [](const QString& name, Timing t) {
        std::printf("%s%s %12.1f %12.1f\n", qPrintable(name), qPrintable(QString(46 - name.size(), QLatin1Char(' '))),
                    t.wall, t.cpu);
    };
    // The first rows as the view shows them: the data of the visible cells.
    const auto firstRows = [](const JournalModel& model) {
        for (int r = 0; r < std::min(40, model.rowCount()); ++r)
            for (int c = 0; c <= JournalModel::QcColumn; ++c)
                model.data(model.index(r, c));
    };
    row(QStringLiteral("open (executors, newest first)"), timed([&] {
            JournalWindow window(session);
            firstRows(*window.model());
        }));

    JournalWindow window(session);
    JournalModel& model = *window.model();
    const auto filtered = [&](const char* name, const std::function<void(JournalFilter&)>& change) {
        row(QString::fromUtf8(name), timed([&] {
                JournalFilter filter;
                change(filter);
                model.setFilter(filter);
                firstRows(model);
            }));
    };
    filtered("filter: kit 03", [](JournalFilter& f) { f.kit = Kit::K03; });
    filtered("filter: executor", [](JournalFilter& f) { f.executor = QStringLiteral("Петров С. В."); });
    filtered("filter: one month", [](JournalFilter& f) {
        f.from = QDateTime(QDate(2025, 3, 1), QTime(0, 0));
        f.to = QDateTime(QDate(2025, 4, 1), QTime(0, 0));
    });
    filtered("filter: sample name part (\"Коза 123\")",
             [](JournalFilter& f) { f.sampleSearch = QStringLiteral("Коза 123"); });
    filtered("filter: kit 03 + executor + sample name part", [](JournalFilter& f) {
        f.kit = Kit::K03;
        f.executor = QStringLiteral("Петров С. В.");
        f.sampleSearch = QStringLiteral("Корова");
    });
    filtered("sort: oldest first", [](JournalFilter& f) { f.descending = false; });
    filtered("sort: plate name", [](JournalFilter& f) {
        f.sortColumn = JournalColumn::PlateName;
        f.descending = false;
    });
    filtered("sort: positive, kit 05", [](JournalFilter& f) {
        f.sortColumn = JournalColumn::Positive;
        f.kit = Kit::K05;
    });
    model.setFilter({});
    row(QStringLiteral("Обновить (executors, newest first)"), timed([&] {
            window.refresh();
            firstRows(model);
        }));
    row(QStringLiteral("scroll to the last run (fetch all rows)"), timed([&] {
            model.setFilter({});
            while (model.canFetchMore({}))
                model.fetchMore({});
            firstRows(model);
        }));
    std::printf("runs listed at the end: %d\n", model.rowCount());
    return 0;
}
