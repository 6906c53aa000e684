#include "core/files/readerexport.h"

#include "core/files/exportgrid.h"
#include "core/files/exportlist.h"
#include "core/files/exporttext.h"
#include "core/files/fileio.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"

#include <algorithm>

namespace pleq::files {

using namespace exporttext;

namespace {

const qint64 MaxExportSize = 8 * 1024 * 1024; // exports are a few kilobytes

struct Scan {
    QList<FoundTable> tables;
    bool wellList = false;
};

// Tables under headers if the file has any, else its lists of wells.
Scan scan(const QByteArray& bytes, const QString& fileName)
{
    const QStringList text = lines(bytes);
    const auto densities = [](const FoundTable& t) { return t.densities; };
    const QList<FoundTable> grids = findGrids(text, fileName);
    if (!grids.isEmpty()) {
        if (std::none_of(grids.begin(), grids.end(), densities))
            throw Error(QStringLiteral("В файле «%1» таблиц 8 × 12: %2, но ни в одной нет оптических плотностей")
                            .arg(fileName, QString::number(grids.size())));
        return {grids, false};
    }
    const QList<FoundTable> lists = findWellLists(text, fileName);
    if (lists.isEmpty())
        throw Error(QStringLiteral("В файле «%1» нет таблицы оптических плотностей: ни строки заголовка 1..12 "
                                   "со строками A..H, ни строк лунок вида «A1;0,123»")
                        .arg(fileName));
    if (std::none_of(lists.begin(), lists.end(), densities))
        throw Error(QStringLiteral("В файле «%1» в списке лунок нет ни одной оптической плотности").arg(fileName));
    return {lists, true};
}

struct Default {
    int table = 0;
    TableTaken taken = TableTaken::Only;
};

// The only table of densities, else the only raw absorbance read among
// them by its label; otherwise none: which one is wanted is the user's to say.
Default defaultTable(const QList<FoundTable>& tables)
{
    QList<int> candidates;
    for (qsizetype i = 0; i < tables.size(); ++i) {
        if (tables.at(i).densities)
            candidates.append(int(i) + 1);
    }
    if (candidates.size() == 1)
        return {candidates.first(), TableTaken::Only};
    QList<int> raw;
    for (const int t : candidates) {
        if (isRawAbsorbance(tables.at(t - 1).label))
            raw.append(t);
    }
    if (raw.size() == 1)
        return {raw.first(), TableTaken::OnlyRaw};
    return {};
}

QString tableList(const QList<FoundTable>& tables)
{
    QStringList items;
    for (qsizetype i = 0; i < tables.size(); ++i) {
        if (tables.at(i).densities)
            items.append(numbered(int(i) + 1, tables.at(i).label));
    }
    return items.join(QStringLiteral(", "));
}

const FoundTable& chosenTable(const Scan& s, const QString& fileName, ImportChoice choice, Default& taken)
{
    if (choice.table == 0) {
        taken = defaultTable(s.tables);
        if (taken.table == 0)
            throw Error(QStringLiteral("В файле «%1» несколько таблиц оптических плотностей: %2; какую взять, "
                                       "не выбрано")
                            .arg(fileName, tableList(s.tables)));
        return s.tables.at(taken.table - 1);
    }
    if (choice.table < 0 || choice.table > s.tables.size())
        throw Error(
            QStringLiteral("В файле «%1» таблиц: %2, таблицы %3 нет; оптические плотности в таблицах %4")
                .arg(fileName, QString::number(s.tables.size()), QString::number(choice.table), tableList(s.tables)));
    const FoundTable& t = s.tables.at(choice.table - 1);
    if (!t.densities)
        throw Error(QStringLiteral("Таблица %1 файла «%2» — не оптические плотности; они в таблицах %3")
                        .arg(numbered(choice.table, t.label), fileName, tableList(s.tables)));
    taken = {choice.table, TableTaken::Chosen};
    return t;
}

int chosenRepeat(const FoundTable& t, const QString& fileName, int repeat)
{
    const auto repeats = int(t.repeats.size());
    if (repeats == 1) {
        if (repeat > 1 || repeat < 0)
            throw Error(QStringLiteral("В файле «%1» у каждой лунки одно значение: повтора %2 нет")
                            .arg(fileName, QString::number(repeat)));
        return 0;
    }
    QStringList items;
    for (int r = 1; r <= repeats; ++r)
        items.append(numbered(r, t.repeatLabels.at(r - 1)));
    if (repeat == 0)
        throw Error(QStringLiteral("В файле «%1» у лунок по нескольку значений, повторов %2: %3; какой взять, "
                                   "не выбрано")
                        .arg(fileName, QString::number(repeats), items.join(QStringLiteral(", "))));
    if (repeat < 0 || repeat > repeats)
        throw Error(QStringLiteral("В файле «%1» повторов %2, повтора %3 нет")
                        .arg(fileName, QString::number(repeats), QString::number(repeat)));
    return repeat;
}

} // namespace

QString ReaderExport::wellName(int col, int row)
{
    return exporttext::wellName(col, row);
}

QString numbered(int n, const QString& label)
{
    if (label.isEmpty())
        return QStringLiteral("%1 (без подписи)").arg(n);
    return QStringLiteral("%1 «%2»").arg(QString::number(n), label);
}

ExportContents readerExportContents(const QByteArray& bytes, const QString& fileName)
{
    const Scan s = scan(bytes, fileName);
    ExportContents contents;
    for (const FoundTable& t : s.tables) {
        ExportTable e;
        e.label = t.label;
        e.densities = t.densities;
        e.rawAbsorbance = isRawAbsorbance(t.label);
        if (t.repeats.size() > 1)
            e.repeats = t.repeatLabels;
        contents.tables.append(e);
    }
    contents.defaultTable = defaultTable(s.tables).table;
    contents.wellList = s.wellList;
    return contents;
}

ReaderExport parseReaderExport(const QByteArray& bytes, const QString& fileName, ImportChoice choice)
{
    const Scan s = scan(bytes, fileName);
    Default taken;
    const FoundTable& t = chosenTable(s, fileName, choice, taken);
    const int repeat = chosenRepeat(t, fileName, choice.repeat);

    ReaderExport plate;
    const WellCells& cells = t.repeats.at(std::max(repeat, 1) - 1);
    for (int row = 1; row <= 8; ++row) {
        for (int col = 1; col <= 12; ++col) {
            const auto i = size_t(index(col, row));
            const Cell cell = readCell(cells.text[i]);
            if (!cells.present[i])
                plate.absentWells.append(ReaderExport::wellName(col, row));
            else if (cell.kind == CellKind::Number)
                plate.densities[i] = cell.number;
            else
                plate.markedWells.append({ReaderExport::wellName(col, row), cells.text[i]});
        }
    }
    plate.block = taken.table;
    plate.blocks = int(s.tables.size());
    plate.label = t.label;
    plate.taken = taken.taken;
    if (repeat > 0) {
        plate.repeat = repeat;
        plate.repeats = int(t.repeats.size());
        plate.repeatLabel = t.repeatLabels.at(repeat - 1);
    }
    plate.wellList = s.wellList;
    return plate;
}

ExportContents readReaderExportContents(const QString& path)
{
    return readerExportContents(readFile(path, MaxExportSize), path);
}

QString importDensities(Project& project, const QString& path, ImportChoice choice)
{
    project.ensureUnlocked();
    const ReaderExport plate = parseReaderExport(readFile(path, MaxExportSize), path, choice);

    // As the acquisition does: only the wells the layout uses take a density.
    TextGrid& densities = project.densityTable();
    const TextGrid& layout = project.plateLayout();
    const auto laidOut = [&](const QString& well) {
        return layout.cell(well.mid(1).toInt(), well.at(0).unicode() - 'A' + 1) != Project::EmptyWell;
    };
    const QChar mark = decimalSeparator();
    int used = 0;
    int written = 0;
    for (int row = 1; row <= 8; ++row) {
        for (int col = 1; col <= 12; ++col) {
            if (layout.cell(col, row) == Project::EmptyWell)
                continue;
            QString text = plate.densities[size_t(ReaderExport::index(col, row))];
            text.replace(QLatin1Char('.'), mark);
            densities.setCell(col, row, text);
            ++used;
            written += text.isEmpty() ? 0 : 1;
        }
    }
    QStringList empty;
    for (const MarkedWell& m : plate.markedWells) {
        if (laidOut(m.well))
            empty.append(m.text.isEmpty() ? m.well : m.well + QStringLiteral(" «") + m.text + QStringLiteral("»"));
    }
    QStringList absent;
    for (const QString& well : plate.absentWells) {
        if (laidOut(well))
            absent.append(well);
    }

    QStringList message{QStringLiteral("Импорт из файла «%1».").arg(path)};
    const QString label = plate.label.isEmpty() ? QString() : QStringLiteral(" «%1»").arg(plate.label);
    if (plate.taken == TableTaken::Chosen)
        message.append(
            QStringLiteral("Взята выбранная таблица %1 из %2%3.").arg(plate.block).arg(plate.blocks).arg(label));
    else if (plate.taken == TableTaken::OnlyRaw)
        message.append(QStringLiteral("Взята таблица %1 из %2%3: единственное в файле необработанное измерение "
                                      "поглощения.")
                           .arg(plate.block)
                           .arg(plate.blocks)
                           .arg(label));
    if (plate.repeat > 0)
        message.append(
            QStringLiteral("Взят повтор %1 из %2 «%3».").arg(plate.repeat).arg(plate.repeats).arg(plate.repeatLabel));
    message.append(used == 0 ? QStringLiteral("Раскладка пуста: плотности не записаны.")
                             : QStringLiteral("Записаны плотности лунок раскладки: %1.").arg(written));
    if (!empty.isEmpty())
        message.append(QStringLiteral("Без числа в файле, оставлены пустыми (%1): %2.")
                           .arg(empty.size())
                           .arg(empty.join(QStringLiteral(", "))));
    if (!absent.isEmpty())
        message.append(QStringLiteral("Нет в файле, оставлены пустыми (%1): %2.")
                           .arg(absent.size())
                           .arg(absent.join(QStringLiteral(", "))));
    return message.join(QLatin1Char('\n'));
}

} // namespace pleq::files
