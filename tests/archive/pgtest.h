#pragma once

// The PostgreSQL server of the archive tests (scripts/pg-test-server, started
// by the CTest fixture): a fresh database on it for each case, and a server
// of a test's own that it can stop and start again.

#include "archive/location.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTest>
#include <QUuid>

namespace pleq::test {

// The fixture's server address; empty (and the test failed) when the test runs
// without the fixture.
inline QString pgTestAddress()
{
    const QString address = qEnvironmentVariable("PLEQ_TEST_PG");
    if (address.isEmpty())
        QTest::qFail("PLEQ_TEST_PG is not set: run the test through ctest, whose fixture starts the server "
                     "(scripts/pg-test-server)",
                     __FILE__, __LINE__);
    return address;
}

// An empty database NAME on the server of `address` (dropped first when there);
// returns its address. Empty on failure, with the reason in `error`. With
// `create` false the database is only dropped: its address names a server
// that does not take runs until the database is made.
inline QString freshPgDatabase(const QString& address, const QString& name, QString* error, bool create = true)
{
    const ArchiveLocation server = ArchiveLocation::parse(address);
    const QString connection = QUuid::createUuid().toString();
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(server.host);
        db.setPort(server.port);
        db.setUserName(server.user);
        db.setDatabaseName(server.database);
        QSqlQuery query(db);
        if (!db.open())
            *error = db.lastError().text();
        else if (!query.exec(QStringLiteral("SET client_min_messages = warning"))
                 || !query.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name))
                 || (create && !query.exec(QStringLiteral("CREATE DATABASE %1").arg(name))))
            *error = query.lastError().text();
        else
            result =
                QStringLiteral("postgresql://%1@%2:%3/%4").arg(server.user, server.host).arg(server.port).arg(name);
    }
    QSqlDatabase::removeDatabase(connection);
    return result;
}

// A server of the test's own (a test that stops it mid-way must not stop the
// fixture's, which other tests use meanwhile), in DIR; stopped and removed
// when it goes out of scope. DIR's parent must be open to the server's user
// (root's tests run the server as another user).
class OwnPgServer
{
public:
    explicit OwnPgServer(QString dir)
        : m_dir(std::move(dir))
    {
    }
    ~OwnPgServer() { run(QStringLiteral("stop")); }
    OwnPgServer(const OwnPgServer&) = delete;
    OwnPgServer& operator=(const OwnPgServer&) = delete;

    // scripts/pg-test-server COMMAND DIR: start, halt (pg_ctl stop -m fast), resume.
    // Returns the script's messages when it fails, else an empty text.
    QString run(const QString& command)
    {
        QProcess process;
        process.start(qEnvironmentVariable("PLEQ_TEST_PG_SERVER"), {command, m_dir});
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return QStringLiteral("pg-test-server %1 %2 failed: %3")
                .arg(command, m_dir, QString::fromLocal8Bit(process.readAllStandardError()) + process.errorString());
        return {};
    }
    QString address() const
    {
        QFile file(m_dir + QStringLiteral("/address"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
    }

private:
    QString m_dir;
};

} // namespace pleq::test
