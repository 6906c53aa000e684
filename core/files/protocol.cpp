#include "core/files/protocol.h"

#include "core/files/fileio.h"
#include "core/model/errors.h"
#include "core/model/project.h"

#include <QStringList>

#include <functional>

namespace pleq {

namespace {

constexpr int Rows = Project::PlateRows - 1;       // A..H
constexpr int Columns = Project::PlateColumns - 1; // 1..12
constexpr int CellWidth = 7;

// A plate has 96 wells; a larger quantity is no real sample and would only
// make the sample line (and the memory it takes) grow without bound.
constexpr int MaxQuantity = 96;

QString blanks(int n)
{
    return QString(n, QLatin1Char(' '));
}

QString underscoreLine()
{
    return QString(101, QLatin1Char('_')) + blanks(1);
}

QString headerLine()
{
    QString line = QStringLiteral("|   |");
    for (int col = 1; col <= Columns; ++col)
        line += QString::number(col).rightJustified(4, QLatin1Char(' ')).leftJustified(CellWidth, QLatin1Char(' '))
                + QLatin1Char('|');
    return line + blanks(2);
}

QString hyphenLine()
{
    return QString(101, QLatin1Char('-')) + blanks(2);
}

QString blankLine()
{
    return blanks(103);
}

// Eight lines, one per plate row; a text longer than the cell widens its line.
void appendTable(QStringList& lines, const std::function<QString(int col, int row)>& cell)
{
    for (int row = 1; row <= Rows; ++row) {
        QString line = QStringLiteral("| ") + TextGrid::rowLetter(row) + QStringLiteral(" |");
        for (int col = 1; col <= Columns; ++col)
            line += cell(col, row).rightJustified(CellWidth, QLatin1Char(' ')) + QLatin1Char('|');
        lines.append(line);
    }
}

void appendSamples(QStringList& lines, const TextGrid& samples)
{
    for (int n = 1; n < samples.rows(); ++n) {
        const QString number = QString::number(n);
        QString line = number + QStringLiteral(". ") + samples.cell(1, n) + QStringLiteral(" - ");
        const QString quantityText = samples.cell(2, n);
        const int quantity = toInt(quantityText);
        if (quantity > MaxQuantity)
            throw Error(QStringLiteral("Sample %1: the quantity %2 is more than the %3 wells of a plate")
                            .arg(n)
                            .arg(quantityText.trimmed())
                            .arg(MaxQuantity));
        for (int k = 1; k <= quantity; ++k)
            line += QStringLiteral(" [") + number + QLatin1Char('.') + QString::number(k) + QLatin1Char(']');
        lines.append(line);
    }
}

enum class List { Positive, Negative, Doubtful };

// `shown` is the well's text as the protocol prints it. A positive well is
// listed only when that text is longer than one character and the layout
// names no control; a negative one only under a layout text with a ".".
bool listed(List list, const WellResult& well, const QString& shown, const QString& layout)
{
    switch (list) {
    case List::Positive:
        return shown.size() > 1 && well.verdict != Verdict::Negative && well.verdict != Verdict::Doubtful
               && wellKind(layout) != WellKind::Control;
    case List::Negative: return well.verdict == Verdict::Negative && layout.contains(QLatin1Char('.'));
    case List::Doubtful: return well.verdict == Verdict::Doubtful;
    }
    return false;
}

// The name of the sample a listed well belongs to. A layout text that names
// no sample in the list (a control such as "C-!", a value typed into an
// empty well " - ", a number past the list or 0) lists the well with no name.
QString sampleName(const QString& layout, const TextGrid& samples)
{
    const std::optional<int> number = sampleNumber(layout);
    return number && *number >= 1 && *number < samples.rows() ? samples.cell(1, *number) : QString();
}

void appendList(QStringList& lines, List list, const Project& project)
{
    const TextGrid& layout = project.plateLayout();
    for (int row = 1; row <= Rows; ++row) {
        for (int col = 1; col <= Columns; ++col) {
            const WellResult& well = project.resultWells().at(col, row);
            const QString r = well.shownText();
            const QString l = layout.cell(col, row);
            if (!listed(list, well, r, l))
                continue;
            lines.append(blanks(6) + QLatin1Char('[') + TextGrid::rowLetter(row) + QLatin1Char(',')
                         + QString::number(col) + QStringLiteral("] - ") + r + QStringLiteral(" ([") + l
                         + QStringLiteral("] ") + sampleName(l, project.sampleTable()) + QLatin1Char(')'));
        }
    }
}

} // namespace

QByteArray protocolBytes(const Project& project)
{
    QStringList lines;
    lines << blanks(32) + QStringLiteral("Протокол №_______ от \"____\" ___________20___ г.") << blanks(80)
          << QStringLiteral("Наименование набора:") << project.kitRow() << QString()
          << QStringLiteral("Роспись плашки:") << underscoreLine() << headerLine() << hyphenLine();
    appendTable(lines, [&](int col, int row) { return project.plateLayout().cell(col, row); });
    lines << hyphenLine() << QString() << QStringLiteral("Заполнение плашки") << QString();
    appendSamples(lines, project.sampleTable());
    lines << QString() << QStringLiteral("Данные оптических плотностей:") + blanks(51) << underscoreLine()
          << headerLine() << hyphenLine();
    appendTable(lines, [&](int col, int row) { return project.resultWells().at(col, row).shownText(); });
    lines << hyphenLine() << blankLine() << blankLine() << QStringLiteral("Результаты:") + blanks(92) << blankLine()
          << blanks(5) + QStringLiteral("Положительные:") + blanks(84);
    appendList(lines, List::Positive, project);
    lines << blankLine() << blanks(5) + QStringLiteral("Отрицательные:") + blanks(84);
    appendList(lines, List::Negative, project);
    lines << blankLine() << blanks(5) + QStringLiteral("Сомнительные:") + blanks(85);
    appendList(lines, List::Doubtful, project);
    lines << blankLine() << blankLine() << blankLine() << blankLine()
          << QStringLiteral(" ________________________/") + project.executor() + QLatin1Char('/')
          << blanks(10) + QStringLiteral("подпись") + blanks(78);

    // A paper protocol: a character the code page cannot hold prints as "?".
    QString unused;
    return files::toWindows1251(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), '?', &unused);
}

void writeProtocol(const Project& project, const QString& path)
{
    files::writeFileAtomically(path, protocolBytes(project));
}

} // namespace pleq
