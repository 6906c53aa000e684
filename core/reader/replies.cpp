#include "core/reader/replies.h"

#include "core/files/fileio.h"
#include "core/model/project.h"

namespace pleq {

// The reader speaks single bytes in the Windows-1251 code page, one per character.

QByteArray commandFrame(const QString& text)
{
    QByteArray frame = files::toWindows1251(text, '?', nullptr);
    frame.append('\n');
    frame.append('\r');
    return frame;
}

QString codeString(const QByteArray& chunk)
{
    QString code;
    code.reserve(chunk.size() * 3);
    for (const char byte : chunk)
        code += QString::number(uchar(byte));
    return code;
}

QString chunkText(const QByteArray& chunk)
{
    QByteArray bytes;
    bytes.reserve(chunk.size());
    for (qsizetype i = 1; i < chunk.size(); ++i) {
        if (chunk[i] != '\r' && chunk[i] != '\n')
            bytes += chunk[i];
    }
    return files::fromWindows1251(bytes);
}

ReplyClass classify(const QByteArray& chunk)
{
    const QString code = codeString(chunk);
    if (code == InitialisationCode)
        return ReplyClass::Initialisation;
    if (code == AcknowledgementCode)
        return ReplyClass::Acknowledgement;
    return ReplyClass::Data;
}

void parseReceivedData(const QString& receivedData, Project& project)
{
    QString rest = receivedData;
    const qsizetype ok = rest.indexOf(QLatin1String("OK"));
    if (ok >= 0)
        rest.remove(ok, 2);
    rest.remove(QLatin1Char(' '));

    TextGrid& densities = project.densityTable();
    const TextGrid& layout = project.plateLayout();
    qsizetype at = 0;
    for (int col = 1; col < Project::PlateColumns; ++col) {
        for (int row = 1; row < Project::PlateRows; ++row) {
            const QString value = rest.mid(at, 5);
            at += value.size();
            if (layout.cell(col, row) != Project::EmptyWell)
                densities.setCell(col, row, value);
        }
    }
}

} // namespace pleq
