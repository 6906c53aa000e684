// One workstation of the stress test: archives COUNT runs of a project, one
// after another, at the address given, through the same call as "Протокол"
// (archiveOrQueue: the server, or the local queue while it does not answer), then
// sends what the queue still holds until it is empty.
//   pleq-stress-append ADDRESS PREFIX COUNT PROJECT.plq
// The runs' uids are PREFIX-0000 .. PREFIX-(COUNT-1), made in that order.
// Prints "queued N" (the runs that waited in the queue). Status 0 when every
// run reached the server, 1 otherwise.
#include "archive/archive.h"
#include "archive/location.h"
#include "archive/queue.h"
#include "core/archive/runrecord.h"
#include "core/calc/calculation.h"
#include "core/files/projectfile.h"
#include "core/model/errors.h"
#include "core/model/project.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: pleq-stress-append ADDRESS PREFIX COUNT PROJECT.plq\n");
        return 2;
    }
    try {
        const pleq::ArchiveLocation location = pleq::ArchiveLocation::parse(args[1]);
        const int count = args[3].toInt();
        pleq::Project project;
        pleq::openProject(project, args[4]);
        const pleq::PlateResult result = pleq::calculatePlate(project, [](const QString&) {});
        const QDateTime start = QDateTime::currentDateTime();
        pleq::RunRecord run = pleq::makeRunRecord(project, &result, start, pleq::RunIdentity::ofThisWorkstation());
        pleq::Archive archive(location); // one connection for the whole run, as the window keeps it
        int queued = 0;
        for (int i = 0; i < count; ++i) {
            run.uid = QStringLiteral("%1-%2").arg(args[2]).arg(i, 4, 10, QLatin1Char('0'));
            run.time = start.addMSecs(i);
            if (pleq::archiveOrQueue(archive, run).queued)
                ++queued;
        }
        // The runs queued last wait for the server to answer again.
        const QDeadlineTimer deadline(60000);
        while (pleq::queuedRunCount() > 0 && !deadline.hasExpired()) {
            try {
                pleq::sendQueuedRuns(location);
            } catch (const pleq::Error&) {
                QThread::msleep(200);
            }
        }
        std::printf("queued %d\n", queued);
        const qint64 left = pleq::queuedRunCount();
        if (left > 0) {
            std::fprintf(stderr, "%lld runs still queued\n", static_cast<long long>(left));
            return 1;
        }
        return 0;
    } catch (const pleq::Error& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
