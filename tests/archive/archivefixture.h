#pragma once

#include "archive/archive.h"
#include "calc/platefixture.h"
#include "core/archive/runrecord.h"
#include "core/calc/calculation.h"
#include "core/model/project.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTest>
#include <QTimeZone>

namespace pleq::test {

// A valid kit 02 plate: C+ in A1 and B1, C- in C1 and D1, sample 1 (negative,
// doubtful) and sample 2 (positive twice).
inline void layKit02Plate(Project& project, const QString& name, const QString& positiveDensity)
{
    selectKit(project, 2);
    project.setPlateName(name);
    project.setExecutor(QStringLiteral("Иванова А. П."));
    layPlate(project, QStringLiteral("A1 C+ %1; B1 C+ 0,12; C1 C- 1,2; D1 C- 1,3; "
                                     "E1 1.1 0,9; F1 1.2 0,8; G1 2.1 0,05; H1 2.2 0,07")
                          .arg(positiveDensity));
    project.sampleTable().setRows(3);
    project.sampleTable().setCell(0, 1, QStringLiteral("1"));
    project.sampleTable().setCell(1, 1, QStringLiteral("Корова 17"));
    project.sampleTable().setCell(2, 1, QStringLiteral("2"));
    project.sampleTable().setCell(0, 2, QStringLiteral("2"));
    project.sampleTable().setCell(1, 2, QStringLiteral("Корова 18"));
    project.sampleTable().setCell(2, 2, QStringLiteral("2"));
}

// 2026-12-01 10:00 + `minutes`, at UTC+3.
inline QDateTime runTime(int minutes = 0)
{
    return QDateTime(QDate(2026, 12, 1), QTime(10, 0), QTimeZone(3 * 3600)).addSecs(60 * minutes);
}

// The record of a calculated kit 02 plate.
inline RunRecord plateRun(const QString& name, int minutes = 0, const QString& positiveDensity = QStringLiteral("0,1"))
{
    Project project;
    layKit02Plate(project, name, positiveDensity);
    const PlateResult result = calculatePlate(project, {});
    return makeRunRecord(project, &result, runTime(minutes), {QStringLiteral("reader-pc"), QStringLiteral("lab")});
}

// A second, plain connection to an archive: what someone with the file (or
// the server's password) and an SQL tool could do to it.
class PlainSql
{
public:
    explicit PlainSql(const QString& path, const QString& name = QStringLiteral("plain"))
        : PlainSql(ArchiveLocation::parse(path), name)
    {
    }
    explicit PlainSql(const ArchiveLocation& location, const QString& name = QStringLiteral("plain"))
        : m_name(name)
    {
        const bool sqlite = location.kind == ArchiveLocation::Kind::Sqlite;
        QSqlDatabase db =
            QSqlDatabase::addDatabase(sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), m_name);
        db.setDatabaseName(sqlite ? location.path : location.database);
        if (!sqlite) {
            db.setHostName(location.host);
            db.setPort(location.port);
            db.setUserName(location.user);
        }
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
    }
    ~PlainSql()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    // Runs each statement; returns the first error's text, empty when all ran.
    QString run(const QStringList& statements)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        for (const QString& statement : statements)
            if (!query.exec(statement))
                return statement + QStringLiteral(": ") + query.lastError().text();
        return {};
    }
    QVariant value(const QString& statement)
    {
        QSqlQuery query(QSqlDatabase::database(m_name, false));
        if (!query.exec(statement) || !query.next())
            return {};
        return query.value(0);
    }

private:
    QString m_name;
};

} // namespace pleq::test
