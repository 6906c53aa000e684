#include "core/model/errors.h"
#include "core/tasks/worker.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace pleq;

class TestWorker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Outcomes come back on the owner's thread in the order given; an Error
    // thrown by the work comes back as its message; a receiver gone by then
    // hears nothing.
    void outcomesInOrder()
    {
        Worker worker(Worker::AtEnd::Finish);
        QStringList told;
        auto gone = std::make_unique<QObject>();
        const Qt::HANDLE owner = QThread::currentThreadId();
        Qt::HANDLE ranOn = owner;
        worker.run(
            this,
            [&ranOn] {
                ranOn = QThread::currentThreadId();
                return 1;
            },
            [&told](int n) { told << QString::number(n); }, [&told](const QString& m) { told << m; });
        worker.run(
            gone.get(), [] { return 2; }, [&told](int n) { told << QString::number(n); },
            [&told](const QString& m) { told << m; });
        worker.run(
            this, []() -> int { throw Error(QStringLiteral("Архив недоступен")); },
            [&told](int n) { told << QString::number(n); }, [&told](const QString& m) { told << m; });
        worker.run(
            this, [] {}, [&told] { told << QStringLiteral("void"); }, [&told](const QString& m) { told << m; });
        gone.reset();
        QCOMPARE(worker.pending(), 4);
        QSignalSpy idle(&worker, &Worker::idle);
        QVERIFY(idle.wait(10000));
        QCOMPARE(told, (QStringList{"1", "Архив недоступен", "void"}));
        QVERIFY(ranOn != owner);
        QCOMPARE(worker.pending(), 0);
    }

    // A worker that finishes waits for its tasks; one that abandons them
    // returns at once while a task still waits, and the task runs on alone.
    void atEnd()
    {
        std::atomic_bool release = false;
        auto ran = std::make_shared<std::atomic_int>(0);
        {
            Worker worker(Worker::AtEnd::Abandon);
            worker.post([&release, ran]() -> Worker::Tell {
                while (!release)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                ++*ran;
                return [] { QFAIL("told after the worker was abandoned"); };
            });
        }
        QCOMPARE(ran->load(), 0);
        release = true;
        QTRY_COMPARE(ran->load(), 1);
        QTest::qWait(50); // nothing is told
        {
            Worker worker(Worker::AtEnd::Finish);
            for (int i = 0; i < 3; ++i)
                worker.post([ran]() -> Worker::Tell {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    ++*ran;
                    return {};
                });
        }
        QCOMPARE(ran->load(), 4);
    }
};

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_worker.moc"
