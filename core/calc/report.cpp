#include "core/calc/report.h"

#include "core/calc/calculation.h"
#include "core/calc/resultcell.h"
#include "core/calc/steps.h"
#include "core/model/errors.h"
#include "core/model/project.h"

namespace pleq {

CalculationRun runCalculation(Project& project)
{
    CalculationRun run;
    const qsizetype logBefore = project.readerLog().size();
    try {
        calculate(project, [&run](const QString& text) { run.messages.append(text); });
    } catch (const Error& e) {
        run.error = e.message();
    }
    run.log = project.readerLog().mid(logBefore);
    return run;
}

namespace {

const char* colorName(LabelColor color)
{
    switch (color) {
    case LabelColor::Green: return "green";
    case LabelColor::Red: return "red";
    case LabelColor::Default: break;
    }
    return "default";
}

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

QStringList resultRow(const Project& project, int row)
{
    QStringList texts;
    for (int col = 1; col <= 12; ++col)
        texts.append(project.resultTable().cell(col, row));
    return texts;
}

} // namespace

QByteArray calculationJson(const Project& project, const CalculationRun& run)
{
    QString json = QStringLiteral("{\n  \"kit\": ") + jsonString(project.kitRow().left(2));
    json += QStringLiteral(",\n  \"labels\": [\n");
    for (int i = 0; i < LabelCount; ++i) {
        const SummaryLabel& l = project.label(Label(i));
        json += QStringLiteral("    {\"name\": \"%1\", \"text\": %2, \"color\": \"%3\", \"visible\": %4}")
                    .arg(QLatin1String(labelName(Label(i))), jsonString(l.text), QLatin1String(colorName(l.color)),
                         l.visible ? QStringLiteral("true") : QStringLiteral("false"));
        json += i + 1 < LabelCount ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    json += QStringLiteral("  ],\n  \"messages\": ") + jsonList(run.messages, QStringLiteral("  "));
    json += QStringLiteral(",\n  \"log\": ") + jsonList(run.log, QStringLiteral("  "));
    json += QStringLiteral(",\n  \"results\": [\n");
    for (int row = 1; row <= 8; ++row) {
        QStringList cells;
        for (const QString& t : resultRow(project, row))
            cells.append(jsonString(t));
        json += QStringLiteral("    [") + cells.join(QStringLiteral(", ")) + QLatin1Char(']');
        json += row < 8 ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    json += QStringLiteral("  ],\n  \"error\": ") + (run.error ? jsonString(*run.error) : QStringLiteral("null"));
    json += QStringLiteral("\n}\n");
    return json.toUtf8();
}

QString calculationText(const Project& project, const CalculationRun& run)
{
    // Message texts break their lines with LF CR; a terminal wants LF alone.
    const auto oneLine = [](QString text) {
        return text.replace(QLatin1String("\n\r"), QLatin1String(" / ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
    };
    QString text = QStringLiteral("kit: %1\n\nlabels:\n").arg(project.kitRow());
    for (int i = 0; i < LabelCount; ++i) {
        const SummaryLabel& l = project.label(Label(i));
        text += QStringLiteral("  %1  %2").arg(QLatin1String(labelName(Label(i))), -4).arg(l.text);
        if (l.color != LabelColor::Default)
            text += QStringLiteral("  [%1]").arg(QLatin1String(colorName(l.color)));
        if (!l.visible)
            text += QStringLiteral("  (hidden)");
        text += QLatin1Char('\n');
    }
    text += QStringLiteral("\nmessages:%1\n").arg(run.messages.isEmpty() ? QStringLiteral(" none") : QString());
    for (const QString& m : run.messages)
        text += QStringLiteral("  ") + oneLine(m) + QLatin1Char('\n');
    if (!run.log.isEmpty()) {
        text += QStringLiteral("\nlog:\n");
        for (const QString& line : run.log)
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
            QString shown = drawnWell(project.resultTable().cell(col, row), layoutText, false).text;
            if (shown.endsWith(QLatin1Char(' ')))
                shown.replace(shown.size() - 1, 1, QLatin1Char('-'));
            if (containsAnyOf(layoutText, u"SRCO"))
                shown += QLatin1Char('*');
            text += QStringLiteral(" %1").arg(shown, -10);
        }
        text += QLatin1Char('\n');
    }
    if (run.error)
        text += QStringLiteral("\nstopped: ") + *run.error + QLatin1Char('\n');
    return text;
}

} // namespace pleq
