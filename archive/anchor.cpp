#include "archive/anchor.h"

#include "archive/archiveerror.h"
#include "core/model/errors.h"

#include <QFile>
#include <QRegularExpression>

namespace pleq {

QString anchorLine(const StoredRun& run)
{
    return anchorLine(run.seq, runTimeUtcText(run.record.time), run.hash);
}

QString anchorLine(qint64 seq, const QString& timeUtc, const QByteArray& hash)
{
    return QStringLiteral("%1 %2 %3").arg(seq).arg(timeUtc, QString::fromLatin1(hash));
}

QString headAnchor(Archive& archive)
{
    const QString name = archive.location().displayName();
    const VerifyReport report = archive.verify();
    if (!report.intact())
        throw ArchiveError(name, QStringLiteral("якорь не записан, цепочка не цела: ") + report.message);
    if (report.runs == 0)
        throw ArchiveError(name, QStringLiteral("архив пуст, якорь не нужен"));
    const std::optional<StoredRun> head = archive.run(report.runs);
    if (!head)
        throw ArchiveError(name, QStringLiteral("нет записи %1").arg(report.runs));
    return anchorLine(*head);
}

void appendAnchor(const QString& path, const QString& line)
{
    QFile file(path);
    const QByteArray bytes = (line.endsWith(QLatin1Char('\n')) ? line : line + QLatin1Char('\n')).toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(bytes) != bytes.size() || !file.flush())
        throw Error(QStringLiteral("Файл якорей %1 не записан: %2").arg(path, file.errorString()));
}

std::vector<Anchor> readAnchors(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Файл якорей %1 не открывается: %2").arg(path, file.errorString()));
    static const QRegularExpression form(
        QStringLiteral("^(\\d+)\\s+(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z)\\s+([0-9a-fA-F]{16,64})$"));
    std::vector<Anchor> anchors;
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QRegularExpressionMatch m = form.match(line);
        if (!m.hasMatch())
            throw Error(QStringLiteral("Файл якорей %1, строка %2: «%3» не якорь; ожидается «номер время хеш», "
                                       "например «12 2026-12-01T07:00:00.000Z 3f7a9c0e12ab45cd»")
                            .arg(path)
                            .arg(number)
                            .arg(line));
        anchors.push_back({m.captured(1).toLongLong(), m.captured(2), m.captured(3).toLower().toLatin1(), line});
    }
    // A file without an anchor checks nothing: saying that they all hold would mislead.
    if (anchors.empty())
        throw Error(QStringLiteral("Файл якорей %1: в нем нет ни одного якоря (файл пуст или в нем только "
                                   "комментарии)")
                        .arg(path));
    return anchors;
}

QString checkAnchors(Archive& archive, const std::vector<Anchor>& anchors)
{
    for (const Anchor& anchor : anchors) {
        const std::optional<StoredRun> run = archive.run(anchor.seq);
        if (!run)
            return QStringLiteral("Якорь «%1»: записи %2 в архиве нет: записи удалены.")
                .arg(anchor.line)
                .arg(anchor.seq);
        if (runTimeUtcText(run->record.time) != anchor.time || !run->hash.startsWith(anchor.hash))
            return QStringLiteral("Якорь «%1»: запись %2 не та, что была заякорена: архив изменен.")
                .arg(anchor.line)
                .arg(anchor.seq);
    }
    return {};
}

} // namespace pleq
