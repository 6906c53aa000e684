#include "core/calc/report.h"

#include "core/calc/plateresult.h"
#include "core/calc/resultcell.h"
#include "core/model/project.h"

#include <charconv>

namespace pleq {

namespace {

QString jsonString(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString jsonList(const QStringList& texts, const QString& indent)
{
    if (texts.isEmpty())
        return QStringLiteral("[]");
    QStringList items;
    for (const QString& t : texts)
        items.append(indent + QStringLiteral("  ") + jsonString(t));
    return QStringLiteral("[\n") + items.join(QStringLiteral(",\n")) + QLatin1Char('\n') + indent + QLatin1Char(']');
}

// A value as a JSON number: the shortest text that reads back as the same double.
QString jsonNumber(double value)
{
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return QString::fromLatin1(buffer, end - buffer);
}

QString wellName(int col, int row)
{
    return TextGrid::rowLetter(row) + QString::number(col);
}

} // namespace

QByteArray calculationJson(const Project& project, const PlateResult& result)
{
    QString json = QStringLiteral("{\n  \"kit\": ") + jsonString(project.kitRow().left(2));
    json += QStringLiteral(",\n  \"labels\": [\n");
    for (int i = 0; i < LabelCount; ++i) {
        const SummaryLabel& l = result.labels[size_t(i)];
        json += QStringLiteral("    {\"name\": \"%1\", \"text\": %2, \"color\": \"%3\", \"visible\": %4}")
                    .arg(QLatin1String(labelName(Label(i))), jsonString(l.text), QLatin1String(labelColorName(l.color)),
                         l.visible ? QStringLiteral("true") : QStringLiteral("false"));
        json += i + 1 < LabelCount ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    json += QStringLiteral("  ],\n  \"messages\": ") + jsonList(result.messages, QStringLiteral("  "));
    json += QStringLiteral(",\n  \"log\": ") + jsonList(result.log, QStringLiteral("  "));
    json += QStringLiteral(",\n  \"results\": [\n");
    for (int row = 1; row <= 8; ++row) {
        QStringList cells;
        for (int col = 1; col <= 12; ++col)
            cells.append(jsonString(result.well(col, row).result.text()));
        json += QStringLiteral("    [") + cells.join(QStringLiteral(", ")) + QLatin1Char(']');
        json += row < 8 ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    json += QStringLiteral("  ],\n  \"error\": ") + (result.error ? jsonString(*result.error) : QStringLiteral("null"));
    json += QStringLiteral(",\n  \"wells\": [\n");
    for (int row = 1; row <= 8; ++row) {
        for (int col = 1; col <= 12; ++col) {
            const PlateWell& w = result.well(col, row);
            json +=
                QStringLiteral("    {\"well\": \"%1\", \"layout\": %2, \"text\": %3, \"value\": %4, \"kind\": \"%5\", "
                               "\"sample\": %6, \"verdict\": \"%7\"}")
                    .arg(wellName(col, row), jsonString(project.plateLayout().cell(col, row)),
                         jsonString(w.result.text()),
                         w.result.value ? jsonNumber(*w.result.value) : QStringLiteral("null"),
                         QLatin1String(kindName(w.kind)),
                         w.sample ? QString::number(*w.sample) : QStringLiteral("null"),
                         QLatin1String(verdictName(w.result.verdict)));
            json += row == 8 && col == 12 ? QStringLiteral("\n") : QStringLiteral(",\n");
        }
    }
    json += QStringLiteral("  ]\n}\n");
    return json.toUtf8();
}

QString calculationText(const Project& project, const PlateResult& result)
{
    // Message texts break their lines with LF CR; a terminal wants LF alone.
    const auto oneLine = [](QString text) {
        return text.replace(QLatin1String("\n\r"), QLatin1String(" / ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
    };
    QString text = QStringLiteral("kit: %1\n\nlabels:\n").arg(project.kitRow());
    for (int i = 0; i < LabelCount; ++i) {
        const SummaryLabel& l = result.labels[size_t(i)];
        text += QStringLiteral("  %1  %2").arg(QLatin1String(labelName(Label(i))), -4).arg(l.text);
        if (l.color != LabelColor::Default)
            text += QStringLiteral("  [%1]").arg(QLatin1String(labelColorName(l.color)));
        if (!l.visible)
            text += QStringLiteral("  (hidden)");
        text += QLatin1Char('\n');
    }
    text += QStringLiteral("\nmessages:%1\n").arg(result.messages.isEmpty() ? QStringLiteral(" none") : QString());
    for (const QString& m : result.messages)
        text += QStringLiteral("  ") + oneLine(m) + QLatin1Char('\n');
    if (!result.log.isEmpty()) {
        text += QStringLiteral("\nlog:\n");
        for (const QString& line : result.log)
            text += QStringLiteral("  ") + line + QLatin1Char('\n');
    }
    text += QStringLiteral("\nresults (a trailing - marks a negative well, (..) a doubtful one, * a control):\n   ");
    for (int col = 1; col <= 12; ++col)
        text += QStringLiteral(" %1").arg(col, -10);
    text += QLatin1Char('\n');
    for (int row = 1; row <= 8; ++row) {
        text += QStringLiteral("  ") + TextGrid::rowLetter(row);
        for (int col = 1; col <= 12; ++col) {
            const QString& layoutText = project.plateLayout().cell(col, row);
            QString shown = drawnWell(result.well(col, row).result, layoutText, false).text;
            if (shown.endsWith(QLatin1Char(' ')))
                shown.replace(shown.size() - 1, 1, QLatin1Char('-'));
            if (result.well(col, row).kind == WellKind::Control)
                shown += QLatin1Char('*');
            text += QStringLiteral(" %1").arg(shown, -10);
        }
        text += QLatin1Char('\n');
    }
    if (result.error)
        text += QStringLiteral("\nstopped: ") + *result.error + QLatin1Char('\n');
    return text;
}

} // namespace pleq
