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

inline CliRun runCli(const QStringList& args, int timeoutMs = 60000)
{
    QProcess process;
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
