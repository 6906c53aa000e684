#include "core/files/csvexport.h"

#include "core/calc/plateresult.h"
#include "core/calc/steps.h"
#include "core/files/fileio.h"
#include "core/kits/catalogue.h"
#include "core/model/errors.h"
#include "core/model/project.h"

#include <charconv>

namespace pleq {

namespace {

const char* const Columns[] = {"plate", "exported", "executor",    "kit",           "kit_name",    "material",
                               "well",  "layout",   "kind",        "sample",        "sample_name", "density",
                               "value", "verdict",  "plate_valid", "plate_messages"};

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// The shortest text that reads back as the same double, with the style's mark.
QString number(double value, QChar decimal)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    QString text = QString::fromLatin1(buffer, end - buffer);
    text.replace(QLatin1Char('.'), decimal);
    return text;
}

// The density the calculation reads from the well; a text it cannot read as it is.
QString density(const QString& text, QChar decimal)
{
    if (text.isEmpty())
        return text;
    try {
        return number(readDensity(text), decimal);
    } catch (const Error&) {
        return text;
    }
}

// The kit's name without its code: "01 - Набор «…»" gives "Набор «…»".
QString kitName(const QString& row)
{
    const qsizetype dash = row.indexOf(QLatin1String(" - "));
    return dash < 0 ? row : row.mid(dash + 3);
}

QString sampleName(const std::optional<int>& number, const TextGrid& samples)
{
    return number && *number >= 1 && *number < samples.rows() ? samples.cell(1, *number) : QString();
}

// Validity messages break their lines with LF CR; one field takes them on one line.
QString validityText(const QStringList& messages)
{
    QStringList lines;
    for (const QString& m : messages)
        lines.append(m.simplified());
    return lines.join(QLatin1String(" | "));
}

bool hasLayoutText(const QString& text)
{
    const QString t = text.trimmed();
    return !t.isEmpty() && t != QLatin1String("-");
}

} // namespace

QString csvField(const QString& text, QChar separator)
{
    const bool quote = text.contains(separator) || text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\n'))
                       || text.contains(QLatin1Char('\r'))
                       || (!text.isEmpty() && (isBlank(text.front()) || isBlank(text.back())));
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray resultsCsv(const Project& project, const PlateResult& result, const QDateTime& now, CsvStyle style)
{
    if (result.error)
        throw Error(
            QStringLiteral("Расчет остановлен с ошибкой \"%1\": результатов для экспорта нет").arg(*result.error));
    const bool machine = style == CsvStyle::Machine;
    const QChar separator = machine ? QLatin1Char(',') : QLatin1Char(';');
    const QChar decimal = machine ? QLatin1Char('.') : QLatin1Char(',');

    const KitEntry& kit = kitEntry(project.kit());
    // Kits 04 and 05 calculate by the material chosen; the others have none.
    const QString material = kit.materialOffered ? (project.material() == Material::Milk ? QStringLiteral("Молоко")
                                                                                         : QStringLiteral("Сыворотка"))
                                                 : QString();
    // ISO 8601 with the offset written out, "+00:00" too, so that every row parses alike.
    const int offset = now.offsetFromUtc() / 60;
    const QString exported =
        now.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))
        + QString::asprintf("%c%02d:%02d", offset < 0 ? '-' : '+', qAbs(offset) / 60, qAbs(offset) % 60);
    const QString valid = result.messages.isEmpty() ? QStringLiteral("yes") : QStringLiteral("no");
    const QString messages = validityText(result.messages);

    const auto line = [separator](const QStringList& fields) {
        QStringList quoted;
        for (const QString& f : fields)
            quoted.append(csvField(f, separator));
        return quoted.join(separator) + QLatin1String("\r\n");
    };

    QStringList header;
    for (const char* c : Columns)
        header.append(QLatin1String(c));
    QString csv = line(header);
    for (int row = 1; row <= 8; ++row) {
        for (int col = 1; col <= 12; ++col) {
            const QString layout = project.plateLayout().cell(col, row);
            if (!hasLayoutText(layout))
                continue;
            const PlateWell& w = result.well(col, row);
            csv +=
                line({project.plateName(), exported, project.executor(), kit.code(), kitName(kit.rowText()), material,
                      TextGrid::rowLetter(row) + QString::number(col), layout, QLatin1String(kindName(w.kind)),
                      w.sample ? QString::number(*w.sample) : QString(), sampleName(w.sample, project.sampleTable()),
                      density(project.densityTable().cell(col, row), decimal),
                      w.result.value ? number(*w.result.value, decimal) : QString(),
                      QLatin1String(verdictName(w.result.verdict)), valid, messages});
        }
    }
    QByteArray bytes = machine ? QByteArray() : QByteArray("\xEF\xBB\xBF");
    return bytes + csv.toUtf8();
}

void exportResults(const Project& project, const PlateResult& result, const QDateTime& now, CsvStyle style,
                   const QString& path)
{
    files::writeFileAtomically(path, resultsCsv(project, result, now, style));
}

} // namespace pleq
