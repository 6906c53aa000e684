#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace pleq::test {

// One run of the built pleq-cli (PLEQ_CLI): its exit status (-1 when it did
// not end normally in time), its output bytes and its messages.
struct CliRun {
    int status = -1;
    QByteArray out;
    QString err;
};

// With `locale` ("ru_RU.UTF-8") the program runs in that locale, else in the test's.
inline CliRun runCli(const QStringList& args, int timeoutMs = 60000, const QString& locale = QString())
{
    QProcess process;
    if (!locale.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("LANG"), locale);
        process.setProcessEnvironment(env);
    }
    process.start(QStringLiteral(PLEQ_CLI), args);
    CliRun run;
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace pleq::test
