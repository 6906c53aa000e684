// The journal's and the control-quality window's reads of an archive on a
// server that stops answering: the window's event loop keeps running while
// they wait, they end with the error in the error box once the connect
// timeout (5 s) has passed, a window closed mid-read goes quietly, and all
// reads work again once the server answers.

#include "archivefixture.h"
#include "pgtest.h"

#include "archive/archivesession.h"
#include "gui/app/mainwindow.h"
#include "gui/archive/journalmodel.h"
#include "gui/archive/journalwindow.h"
#include "gui/qc/qcwindow.h"
#include "support/appsession.h"
#include "support/recordingdialogs.h"
#include "support/stallmeter.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <vector>

using namespace pleq;
using namespace pleq::test;

namespace {

// A process and its children, as /proc lists them.
std::vector<pid_t> processTree(pid_t parent)
{
    std::vector<pid_t> tree{parent};
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool number = false;
        const pid_t pid = pid_t(entry.toInt(&number));
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!number || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces, so after its ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toInt() == parent)
            tree.push_back(pid);
    }
    return tree;
}

// A TCP port on 127.0.0.1 that takes connections (the system completes them)
// and never answers.
class SilentListener
{
public:
    SilentListener()
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), size) != 0
            || ::listen(m_socket, 16) != 0
            || ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        m_port = ntohs(address.sin_port);
    }
    ~SilentListener()
    {
        if (m_socket >= 0)
            ::close(m_socket);
    }
    int port() const { return m_port; }

private:
    int m_socket = -1;
    int m_port = 0;
};

} // namespace

class TestArchiveReads : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<OwnPgServer> m_server;
    std::vector<pid_t> m_stopped;

    // The server and each of its processes stopped with SIGSTOP: the system
    // still takes connections and data for them, and nothing answers.
    QString freeze()
    {
        QFile pid(qEnvironmentVariable("PLEQ_TEST_PG_DIR") + QStringLiteral("-reads/data/postmaster.pid"));
        if (!pid.open(QIODevice::ReadOnly))
            return pid.errorString();
        const pid_t postmaster = pid_t(pid.readLine().trimmed().toLongLong());
        if (::kill(postmaster, SIGSTOP) != 0)
            return QStringLiteral("SIGSTOP failed");
        m_stopped = processTree(postmaster);
        for (pid_t process : m_stopped)
            ::kill(process, SIGSTOP);
        return m_stopped.size() > 1 ? QString() : QStringLiteral("no server process besides the postmaster");
    }
    void thaw()
    {
        for (pid_t process : m_stopped)
            ::kill(process, SIGCONT);
        m_stopped.clear();
    }
    QPointer<QcWindow> openQc(MainWindow& window)
    {
        window.findChild<QAction*>(QStringLiteral("menu.archive.qc"))->trigger();
        return window.findChild<QcWindow*>(QStringLiteral("qcWindow"));
    }
    static bool settled(JournalWindow* journal, QcWindow* qc)
    {
        return QTest::qWaitFor([&] { return !journal->loading() && !qc->loading(); }, 10000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<OwnPgServer>(qEnvironmentVariable("PLEQ_TEST_PG_DIR") + QStringLiteral("-reads"));
        const QString failure = m_server->run(QStringLiteral("start"));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        qputenv("PLEQ_ARCHIVE_QUEUE", m_dir.filePath(QStringLiteral("queue.sqlite")).toUtf8());
    }
    void cleanup()
    {
        thaw();
        qunsetenv("PLEQ_ARCHIVE");
    }
    void cleanupTestCase() { m_server.reset(); }

    // The journal and the charts open on a server that then stops: "Обновить"
    // and a change of kit show "Загрузка ...", the window answers, each read
    // ends with its error; the journal closed mid-read goes quietly; once the
    // server answers again every read works.
    void serverStopsAnswering()
    {
        QString error;
        const QString server = freshPgDatabase(m_server->address(), QStringLiteral("reads"), &error);
        QVERIFY2(!server.isEmpty(), qPrintable(error));
        {
            Archive archive(ArchiveLocation::parse(server));
            for (int i = 0; i < 3; ++i)
                archive.append(plateRun(QStringLiteral("Планшет %1").arg(i + 1), i));
        }
        qputenv("PLEQ_ARCHIVE", server.toUtf8());
        RecordingDialogs dialogs;
        const auto session = test::makeSession();
        MainWindow window(*session);
        window.findChild<QAction*>(QStringLiteral("menu.archive.journal"))->trigger();
        QPointer<JournalWindow> journal = window.journal();
        QPointer<QcWindow> qc = openQc(window);
        QVERIFY(journal && qc);
        QVERIFY(settled(journal, qc));
        QCOMPARE(journal->model()->rowCount(), 3);
        QCOMPARE(dialogs.errors, QStringList());

        QVERIFY(freeze().isEmpty());
        StallMeter meter;
        QElapsedTimer clock;
        clock.start();
        journal->findChild<QPushButton*>(QStringLiteral("journal.refresh"))->click();
        qc->findChild<QComboBox*>(QStringLiteral("qc.kit"))->setCurrentIndex(1);
        QCOMPARE(journal->findChild<QLabel*>(QStringLiteral("journal.status"))->text(), QStringLiteral("Загрузка ..."));
        QCOMPARE(qc->findChild<QLabel*>(QStringLiteral("qc.messages"))->text(), QStringLiteral("Загрузка ..."));
        QTRY_VERIFY_WITH_TIMEOUT(!journal->loading() && !qc->loading(), 30000);
        QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(meter.longestMs() < 1000,
                 qPrintable(QStringLiteral("the event loop stalled %1 ms").arg(meter.longestMs())));
        const QString away = QStringLiteral("Архив %1: сервер не ответил вовремя").arg(server);
        QCOMPARE(dialogs.errors, (QStringList{away, away}));
        QCOMPARE(journal->findChild<QLabel*>(QStringLiteral("journal.status"))->text(), QString());
        QCOMPARE(journal->model()->rowCount(), 3); // the rows shown before stay

        // Closed while a read waits: the window goes, the read's outcome with it.
        dialogs.clear();
        journal->findChild<QPushButton*>(QStringLiteral("journal.refresh"))->click();
        QVERIFY(journal->loading());
        journal->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!journal);

        thaw();
        qc->findChild<QComboBox*>(QStringLiteral("qc.kit"))->setCurrentIndex(2);
        window.findChild<QAction*>(QStringLiteral("menu.archive.journal"))->trigger();
        journal = window.journal();
        QVERIFY(journal);
        QVERIFY(settled(journal, qc));
        QCOMPARE(journal->model()->rowCount(), 3);
        QCOMPARE(journal->model()->seq(0), 3);
        QTest::qWait(200); // the closed journal's read, ended meanwhile, tells nothing
        QCOMPARE(dialogs.errors, QStringList());
    }

    // A server address where a port takes the connection and never answers:
    // both windows show "Загрузка ..." while the window answers, then the
    // error, and close (they never had an archive to show).
    void silentListener()
    {
        SilentListener listener;
        QVERIFY(listener.port() > 0);
        const QString server = QStringLiteral("postgresql://pleq@127.0.0.1:%1/pleq").arg(listener.port());
        qputenv("PLEQ_ARCHIVE", server.toUtf8());
        RecordingDialogs dialogs;
        const auto session = test::makeSession();
        MainWindow window(*session);
        StallMeter meter;
        QElapsedTimer clock;
        clock.start();
        window.findChild<QAction*>(QStringLiteral("menu.archive.journal"))->trigger();
        const QPointer<JournalWindow> journal = window.journal();
        const QPointer<QcWindow> qc = openQc(window);
        QVERIFY(journal && qc);
        QCOMPARE(journal->findChild<QLabel*>(QStringLiteral("journal.status"))->text(), QStringLiteral("Загрузка ..."));
        QTRY_VERIFY_WITH_TIMEOUT(!journal && !qc, 30000);
        QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(meter.longestMs() < 1000,
                 qPrintable(QStringLiteral("the event loop stalled %1 ms").arg(meter.longestMs())));
        const QString away = QStringLiteral("Архив %1: сервер не ответил вовремя").arg(server);
        QCOMPARE(dialogs.errors, (QStringList{away, away}));
    }
};

QTEST_MAIN(TestArchiveReads)
#include "tst_archivereads.moc"
