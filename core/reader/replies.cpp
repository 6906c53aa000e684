#include "core/reader/replies.h"

#include "core/calc/steps.h"
#include "core/files/fileio.h"
#include "core/model/errors.h"
#include "core/model/project.h"

#include <algorithm>

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

namespace {

constexpr int PlateColumns = Project::PlateColumns - 1;
constexpr int PlateRows = Project::PlateRows - 1;
constexpr int ValueLength = 5;
constexpr int ExcerptLength = 30;

QString excerpt(const QString& text)
{
    return text.size() <= ExcerptLength ? text : text.left(ExcerptLength) + QStringLiteral("…");
}

// The message names what came, so that the user sees a reply that went wrong.
ReaderPlate refused(const QString& reason, const QString& values)
{
    QString received = QString::number(values.size());
    if (!values.isEmpty())
        received += QStringLiteral(" («") + excerpt(values) + QStringLiteral("»)");
    return {{},
            QStringLiteral("Данные ридера не приняты: %1. Получено знаков без пробелов: %2. "
                           "Плотности не записаны, повторите чтение.")
                .arg(reason, received)};
}

QString withoutBlanks(QString text)
{
    return text.remove(QLatin1Char(' '));
}

} // namespace

ReaderPlate readPlate(const QByteArray& data)
{
    // The lines before the end mark; a line counts once its CR or LF has come.
    QStringList lines;
    bool ended = false;
    for (qsizetype at = 0; at < data.size() && !ended;) {
        const qsizetype cr = data.indexOf('\r', at);
        const qsizetype lf = data.indexOf('\n', at);
        const qsizetype end = cr < 0 ? lf : lf < 0 ? cr : std::min(cr, lf);
        if (end < 0)
            break;
        const QByteArray line = data.mid(at, end - at);
        if (line == "OK")
            ended = true;
        else if (line.size() > 1) // a one-character line is a reply's status
            lines << files::fromWindows1251(line);
        at = end + 1;
    }

    QString values;
    for (const QString& line : lines)
        values += withoutBlanks(line);
    if (!ended)
        return refused(QStringLiteral("нет строки «OK», которой ридер заканчивает данные"), values);
    // A value never runs on to the next line: a line that is no whole number
    // of values lost or gained a character, and every value after it would shift.
    for (const QString& line : lines) {
        if (withoutBlanks(line).size() % ValueLength != 0)
            return refused(QStringLiteral("строка «%1» не делится на значения по %2 знаков")
                               .arg(excerpt(line.trimmed()), QString::number(ValueLength)),
                           values);
    }
    const qsizetype count = PlateColumns * PlateRows;
    if (values.size() != count * ValueLength)
        return refused(QStringLiteral("значений по %1 знаков: %2 вместо %3")
                           .arg(ValueLength)
                           .arg(values.size() / ValueLength)
                           .arg(count),
                       values);

    ReaderPlate plate;
    for (qsizetype i = 0; i < count; ++i) {
        const QString value = values.mid(i * ValueLength, ValueLength);
        try {
            readDensity(value);
        } catch (const Error&) {
            const QString well = QChar(u'A' + int(i % PlateRows)) + QString::number(i / PlateRows + 1);
            return refused(QStringLiteral("значение «%1» лунки %2 не читается как плотность").arg(value, well), values);
        }
        plate.densities << value;
    }
    return plate;
}

void writeDensities(const QStringList& densities, Project& project)
{
    TextGrid& table = project.densityTable();
    const TextGrid& layout = project.plateLayout();
    for (qsizetype i = 0; i < densities.size() && i < PlateColumns * PlateRows; ++i) {
        const int col = int(i / PlateRows) + 1;
        const int row = int(i % PlateRows) + 1;
        if (layout.cell(col, row) != Project::EmptyWell)
            table.setCell(col, row, densities.at(i));
    }
}

} // namespace pleq
