// The window sends the runs queued while the archive's server was away on
// its own, at start, on a thread of its own: they reach the server in their
// order, each once, and the journal hears of them.

#include "archivefixture.h"
#include "pgtest.h"

#include "archive/queue.h"
#include "gui/app/mainwindow.h"
#include "support/appsession.h"
#include "archive/archivesession.h"
#include "support/recordingdialogs.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace pleq;
using namespace pleq::test;

class TestQueueSender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void queuedRunsSentAtStart_data()
    {
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<int>("archived");
        QTest::addColumn<int>("left");
        QTest::newRow("server up: both sent") << true << 2 << 0;
        QTest::newRow("server still down: both wait") << false << 0 << 2;
    }
    void queuedRunsSentAtStart()
    {
        QFETCH(bool, serverUp);
        QFETCH(int, archived);
        QFETCH(int, left);
        QTemporaryDir dir;
        const QString queue = dir.filePath(QStringLiteral("queue.sqlite"));
        const QString down = QStringLiteral("postgresql://pleq@127.0.0.1:1/pleq"); // nothing listens on port 1
        // The runs wait for a database not made yet, then made.
        QString error;
        const QString server = freshPgDatabase(pgTestAddress(), QStringLiteral("sender"), &error, false);
        QVERIFY2(!server.isEmpty(), qPrintable(error));
        {
            Archive unreachable(ArchiveLocation::parse(server));
            QVERIFY(archiveOrQueue(unreachable, plateRun(QStringLiteral("Первый")), queue).queued);
            QVERIFY(archiveOrQueue(unreachable, plateRun(QStringLiteral("Второй"), 5), queue).queued);
        }
        QVERIFY2(!freshPgDatabase(pgTestAddress(), QStringLiteral("sender"), &error).isEmpty(), qPrintable(error));

        qputenv("PLEQ_ARCHIVE_QUEUE", queue.toUtf8());
        qputenv("PLEQ_ARCHIVE", (serverUp ? server : down).toUtf8());
        RecordingDialogs dialogs;
        const auto appSession = test::makeSession();
        MainWindow window(*appSession);
        auto* session = &window.archive();
        QVERIFY(session);
        QSignalSpy heard(session, &ArchiveSession::runArchived);
        if (serverUp)
            QVERIFY(heard.wait(20000));
        else
            QTRY_COMPARE_WITH_TIMEOUT(queuedRunCount(queue), 2, 2000);
        QCOMPARE(heard.count(), serverUp ? 1 : 0);
        QCOMPARE(queuedRunCount(queue), left);

        Archive archive(ArchiveLocation::parse(server));
        archive.open();
        QCOMPARE(archive.runCount(), archived);
        if (serverUp) {
            QCOMPARE(archive.run(1)->record.plateName, QStringLiteral("Первый"));
            QCOMPARE(archive.run(2)->record.plateName, QStringLiteral("Второй"));
            QCOMPARE(archive.verify().message, QStringLiteral("Все 2 записи архива целы."));
        }
        QVERIFY(dialogs.errors.isEmpty());
        QVERIFY(dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(TestQueueSender)
#include "tst_queuesender.moc"
