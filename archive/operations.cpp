#include "archive/operations.h"

#include "archive/queue.h"

#include "core/calc/calculation.h"
#include "core/files/projectfile.h"
#include "core/files/protocol.h"
#include "core/model/errors.h"
#include "core/model/project.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <algorithm>
#include <optional>

namespace pleq {

ProtocolOutcome writeProtocolAndArchive(Project& project, const PlateResult* lastRun, const QString& protocolPath,
                                        Archive& archive, const QDateTime& now)
{
    return writeProtocolAndArchive(
        project, lastRun, protocolPath, [&]() -> Archive& { return archive; }, now);
}

ProtocolOutcome writeProtocolAndArchive(Project& project, const PlateResult* lastRun, const QString& protocolPath,
                                        const std::function<Archive&()>& archive, const QDateTime& now)
{
    return archiveProtocolRun(writeProtocolForArchive(project, lastRun, protocolPath, now), archive);
}

ProtocolRun writeProtocolForArchive(Project& project, const PlateResult* lastRun, const QString& protocolPath,
                                    const QDateTime& now)
{
    ProtocolRun run;
    try {
        writeProtocol(project, protocolPath);
    } catch (const Error& e) {
        run.protocolError = e;
    }
    try {
        run.record = makeRunRecord(project, lastRun, now, RunIdentity::ofThisWorkstation());
    } catch (const Error& e) {
        run.recordError = e;
    }
    return run;
}

ProtocolOutcome archiveProtocolRun(const ProtocolRun& run, const std::function<Archive&()>& archive,
                                   const QString& queuePath)
{
    ProtocolOutcome outcome;
    QString told; // what became of the run, told after a protocol error
    try {
        if (run.recordError)
            throw *run.recordError;
        const RunRecord& record = *run.record;
        Archive& place = archive();
        const ArchiveOutcome archived = archiveOrQueue(place, record, queuePath);
        outcome.seq = archived.seq;
        outcome.queued = archived.queued;
        if (archived.queued) {
            outcome.archiveMessage = QStringLiteral("Протокол записан. %1").arg(archived.message);
            told = archived.message;
        } else {
            told = QStringLiteral("Планшет «%1» записан в архив %2 под номером %3%4.")
                       .arg(record.plateName, place.location().displayName())
                       .arg(archived.seq)
                       .arg(record.protocol.isEmpty() ? QStringLiteral(" без протокола") : QString());
        }
    } catch (const Error& e) {
        outcome.archiveMessage = QStringLiteral("Протокол записан, но планшет не сохранен в архив. %1. "
                                                "Сохраните его позже командой «В архив».")
                                     .arg(e.message());
        told =
            QStringLiteral("Планшет не сохранен в архив. %1. Сохраните его позже командой «В архив».").arg(e.message());
    }
    if (run.protocolError)
        throw Error(run.protocolError->message() + QLatin1Char('\n') + told);
    return outcome;
}

qint64 archiveRun(Project& project, const PlateResult* lastRun, Archive& archive, const QDateTime& now)
{
    return archiveRecord(makeRunRecord(project, lastRun, now, RunIdentity::ofThisWorkstation()), archive);
}

qint64 archiveRecord(const RunRecord& record, Archive& archive, const QString& queuePath)
{
    const ArchiveOutcome archived = archiveOrQueue(archive, record, queuePath);
    if (archived.queued)
        throw Error(archived.message);
    return archived.seq;
}

namespace {

const QUuid ImportNamespace = QUuid::fromString(QLatin1String("{6f1d2f0e-5b8a-4c3e-9a51-0c5e4b7d2a10}"));

// The uid of an imported plate: its project bytes and time, wherever the file
// lies (a folder reached through a link, or copied with its times kept, holds
// the same plates), so that nothing is stored twice.
QString importUid(const RunRecord& record)
{
    QByteArray key = "plate\n" + runTimeUtcText(record.time).toUtf8() + '\n';
    key += QCryptographicHash::hash(record.projectFile, QCryptographicHash::Sha256).toHex();
    return QUuid::createUuidV5(ImportNamespace, key).toString(QUuid::WithoutBraces);
}

} // namespace

QString addedFileUid(const QByteArray& fileBytes, const QDateTime& modified)
{
    QByteArray key = "added\n" + runTimeUtcText(modified).toUtf8() + '\n';
    key += QCryptographicHash::hash(fileBytes, QCryptographicHash::Sha256).toHex();
    return QUuid::createUuidV5(ImportNamespace, key).toString(QUuid::WithoutBraces);
}

namespace {

// The uid an import of an earlier version gave the file, from its path as well:
// a plate stored under it is not stored again.
QString pathImportUid(const QString& path, const RunRecord& record)
{
    QByteArray key = QFileInfo(path).absoluteFilePath().toUtf8();
    key += '\n' + runTimeUtcText(record.time).toUtf8() + '\n';
    key += QCryptographicHash::hash(record.projectFile, QCryptographicHash::Sha256).toHex();
    return QUuid::createUuidV5(ImportNamespace, key).toString(QUuid::WithoutBraces);
}

QStringList projectFiles(const QStringList& folders)
{
    QStringList files;
    for (const QString& folder : folders) {
        if (!QFileInfo(folder).isDir())
            throw Error(QStringLiteral("Папка «%1» не найдена").arg(folder));
        QDirIterator it(folder, {QStringLiteral("*.plq")}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext())
            files.append(it.next());
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    return files;
}

} // namespace

ImportReport importFolder(Archive& archive, const QStringList& folders,
                          const std::function<void(int done, int total)>& progress)
{
    archive.open();
    const QStringList files = projectFiles(folders);
    ImportReport report;
    report.files = int(files.size());
    const RunIdentity identity = RunIdentity::ofThisWorkstation();
    std::vector<RunRecord> batch;
    int done = 0;
    const auto flush = [&] {
        if (batch.empty())
            return;
        int added = 0;
        archive.append(batch, &added); // counted in its transaction: others writing meanwhile count nothing
        report.archived += added;
        report.already += int(batch.size()) - added;
        batch.clear();
        if (progress)
            progress(done, report.files);
    };
    for (const QString& path : files) {
        ++done;
        try {
            const QFileInfo file(path);
            Project project;
            openProject(project, path);
            const PlateResult result = calculatePlate(project, {}); // its messages are in the result
            RunRecord record = makeRunRecord(project, &result, file.lastModified(), identity);
            record.uid = importUid(record);
            if (record.protocol.isEmpty())
                report.withoutProtocol.append(QDir::toNativeSeparators(path) + QStringLiteral(": ")
                                              + record.messages.constLast());
            if (archive.seqOf(pathImportUid(path, record)))
                ++report.already;
            else
                batch.push_back(std::move(record));
        } catch (const Error& e) {
            report.failures.append(QDir::toNativeSeparators(path) + QStringLiteral(": ") + e.message());
        }
        if (int(batch.size()) >= ImportBatch)
            flush();
    }
    flush();
    return report;
}

} // namespace pleq
