#include "core/files/readerexport.h"

#include "core/files/exportgrid.h"
#include "core/files/exportlist.h"
#include "core/files/exporttext.h"
#include "core/files/fileio.h"
#include "core/files/workbook.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"

#include <algorithm>

namespace pleq::files {

using namespace exporttext;

namespace {

const qint64 MaxExportSize = 8 * 1024 * 1024; // exports are a few kilobytes

// A table as the import sees it: what it holds and whether it may be taken.
struct Table {
    FoundTable found;
    ReadKind kind = ReadKind::Unknown;
    bool offered = false; // optical densities that may be taken
};

struct Scan {
    QList<Table> tables;
    bool wellList = false;
    int withNumbers = 0;                   // tables of numbers with a decimal mark, whatever their kind
    ReadKind declared = ReadKind::Unknown; // the measurement the file's text declares, if only one
};

// The kind of a table: its label's, else the measurement the nearest line
// above it declares ("Fluorescence (FI)"). A "Raw Data (485)", "485 nm" or
// "Blank" under a declared fluorescence is a fluorescence read.
ReadKind kindOf(const FoundTable& t, const QStringList& text)
{
    const ReadKind own = readKind(t.label);
    if (own != ReadKind::Unknown && own != ReadKind::RawAbsorbance && own != ReadKind::Reduced)
        return own;
    for (qsizetype l = std::min(t.line, text.size() - 1); l >= 0; --l) {
        const ReadKind declared = declaredMeasurement(text.at(l));
        if (declared == ReadKind::Unknown)
            continue;
        if (declared != ReadKind::RawAbsorbance && !namesAbsorbance(t.label))
            return declared;
        break;
    }
    return own;
}

// A workbook or another binary file is no text export: it says what it is
// rather than that it holds no table.
void refuseBinary(const QByteArray& bytes, const QString& fileName)
{
    if (bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        throw Error(QStringLiteral("Файл «%1» — книга Excel в формате .xls; сохраните лист с оптическими "
                                   "плотностями как текст (CSV, TXT)")
                        .arg(fileName));
    if (bytes.startsWith("PK\x03\x04"))
        throw Error(QStringLiteral("Файл «%1» — архив ZIP, а не экспорт ридера").arg(fileName));
}

// A file without any table whose text declares only another measurement
// says so rather than that it lacks a table.
void refuseOtherMeasurement(const QStringList& text, const QString& fileName)
{
    qsizetype other = -1;
    for (qsizetype l = 0; l < text.size(); ++l) {
        const ReadKind declared = declaredMeasurement(text.at(l));
        if (declared == ReadKind::RawAbsorbance)
            return;
        if (declared != ReadKind::Unknown && other < 0)
            other = l;
    }
    if (other < 0)
        return;
    throw Error(QStringLiteral("Файл «%1» — %2 (строка %3: «%4»), а импортируются только оптические плотности "
                               "(измерение поглощения)")
                    .arg(fileName, kindName(declaredMeasurement(text.at(other))), QString::number(other + 1),
                         labelOf(text.at(other))));
}

// Names what a file's tables hold when none may be taken.
QString describeOthers(const QList<Table>& tables)
{
    QStringList items;
    for (qsizetype i = 0; i < tables.size(); ++i) {
        const Table& t = tables.at(i);
        if (t.found.densities && !t.offered)
            items.append(numbered(int(i) + 1, t.found.label) + QStringLiteral(" — ") + kindName(t.kind));
    }
    return items.join(QStringLiteral(", "));
}

// Tables under headers if the file has any, else its lists of wells. Only
// an absorbance read is offered; values less a blank or a reference only
// when the file holds no raw read.
// A text's tables under headers if it has any, else its lists of wells.
QList<FoundTable> findTables(const QStringList& text, const QString& fileName, bool& wellList)
{
    QList<FoundTable> grids = findGrids(text, fileName);
    wellList = grids.isEmpty();
    return wellList ? findWellLists(text, fileName) : grids;
}

// Only an absorbance read is offered; values less a blank or a reference
// only when the file holds no raw read.
void offer(Scan& s, const QString& fileName)
{
    bool raw = false;
    for (const Table& t : s.tables) {
        s.withNumbers += t.found.densities ? 1 : 0;
        raw = raw || (t.found.densities && (t.kind == ReadKind::RawAbsorbance || t.kind == ReadKind::Unknown));
    }
    for (Table& t : s.tables)
        t.offered = t.found.densities
                    && (t.kind == ReadKind::RawAbsorbance || t.kind == ReadKind::Unknown
                        || (t.kind == ReadKind::Reduced && !raw));
    if (std::none_of(s.tables.begin(), s.tables.end(), [](const Table& t) { return t.offered; }))
        throw Error(QStringLiteral("В файле «%1» нет оптических плотностей: %2. Импортируется только измерение "
                                   "поглощения (оптическая плотность); экспортируйте из программы ридера его "
                                   "необработанные значения")
                        .arg(fileName, describeOthers(s.tables)));
}

// A workbook's sheets read one by one as text exports; a table is named by
// its sheet ("Raw Data, 450 nm"), whose name also says what it holds.
Scan scanWorkbook(const QByteArray& bytes, const QString& fileName)
{
    const QList<workbook::Sheet> sheets = workbook::readXlsx(bytes, fileName);
    Scan s;
    s.wellList = true;
    for (const workbook::Sheet& sheet : sheets) {
        const QStringList& text = sheet.lines;
        bool wellList = false;
        const QList<FoundTable> found =
            findTables(text, QStringLiteral("%1», лист «%2").arg(fileName, sheet.name), wellList);
        for (FoundTable f : found) {
            if (f.label != sheet.name)
                f.label = f.label.isEmpty() ? sheet.name : sheet.name + QStringLiteral(", ") + f.label;
            s.tables.append({f, kindOf(f, text), false});
        }
        s.wellList = s.wellList && (wellList || found.isEmpty());
    }
    if (std::none_of(s.tables.begin(), s.tables.end(), [](const Table& t) { return t.found.densities; }))
        throw Error(QStringLiteral("В книге «%1» ни на одном листе (%2) нет таблицы оптических плотностей: ни строки "
                                   "заголовка 1..12 со строками A..H, ни строк лунок вида «A1;0,123»")
                        .arg(fileName, QString::number(sheets.size())));
    offer(s, fileName);
    return s;
}

// Tables under headers if the file has any, else its lists of wells.
Scan scan(const QByteArray& bytes, const QString& fileName)
{
    if (workbook::isXlsx(bytes))
        return scanWorkbook(bytes, fileName);
    refuseBinary(bytes, fileName);
    const QStringList text = lines(bytes);
    const auto densities = [](const FoundTable& t) { return t.densities; };
    bool wellList = false;
    const QList<FoundTable> found = findTables(text, fileName, wellList);
    if (!wellList) {
        if (std::none_of(found.begin(), found.end(), densities))
            throw Error(QStringLiteral("В файле «%1» таблиц 8 × 12: %2, но ни в одной нет оптических плотностей")
                            .arg(fileName, QString::number(found.size())));
    } else {
        if (found.isEmpty()) {
            refuseOtherMeasurement(text, fileName);
            throw Error(QStringLiteral("В файле «%1» нет таблицы оптических плотностей: ни строки заголовка 1..12 "
                                       "со строками A..H, ни строк лунок вида «A1;0,123»")
                            .arg(fileName));
        }
        if (std::none_of(found.begin(), found.end(), densities))
            throw Error(QStringLiteral("В файле «%1» в списке лунок нет ни одной оптической плотности").arg(fileName));
    }
    Scan s;
    s.wellList = wellList;
    for (const FoundTable& f : found)
        s.tables.append({f, kindOf(f, text), false});
    offer(s, fileName);
    return s;
}

struct Default {
    int table = 0;
    TableTaken taken = TableTaken::Only;
};

// The one table that may be taken, unless it is values less a blank or a
// reference (taken only when chosen); otherwise none: which one is wanted is
// the user's to say.
Default defaultTable(const Scan& s)
{
    QList<int> offered;
    for (qsizetype i = 0; i < s.tables.size(); ++i) {
        if (s.tables.at(i).offered)
            offered.append(int(i) + 1);
    }
    if (offered.size() != 1)
        return {};
    const Table& t = s.tables.at(offered.first() - 1);
    if (t.kind == ReadKind::Reduced)
        return {};
    if (s.withNumbers == 1)
        return {offered.first(), TableTaken::Only};
    return {offered.first(), t.kind == ReadKind::RawAbsorbance ? TableTaken::OnlyRaw : TableTaken::OnlyAbsorbance};
}

// "2 «450 nm»", "3 «Blank 450» (значения за вычетом бланка или референса)".
QString offeredName(int n, const Table& t)
{
    const QString name = numbered(n, t.found.label);
    return t.kind == ReadKind::Reduced ? name + QStringLiteral(" (") + kindName(t.kind) + QLatin1Char(')') : name;
}

QString tableList(const QList<Table>& tables)
{
    QStringList items;
    for (qsizetype i = 0; i < tables.size(); ++i) {
        if (tables.at(i).offered)
            items.append(offeredName(int(i) + 1, tables.at(i)));
    }
    return items.join(QStringLiteral(", "));
}

const Table& chosenTable(const Scan& s, const QString& fileName, ImportChoice choice, Default& taken)
{
    if (choice.table == 0) {
        taken = defaultTable(s);
        if (taken.table == 0) {
            const auto offered =
                std::count_if(s.tables.begin(), s.tables.end(), [](const Table& t) { return t.offered; });
            if (offered == 1)
                throw Error(QStringLiteral("В файле «%1» нет необработанного измерения поглощения, только %2; "
                                           "она берётся лишь по явному выбору")
                                .arg(fileName, tableList(s.tables)));
            throw Error(QStringLiteral("В файле «%1» несколько таблиц оптических плотностей: %2; какую взять, "
                                       "не выбрано")
                            .arg(fileName, tableList(s.tables)));
        }
        return s.tables.at(taken.table - 1);
    }
    if (choice.table < 0 || choice.table > s.tables.size())
        throw Error(
            QStringLiteral("В файле «%1» таблиц: %2, таблицы %3 нет; оптические плотности в таблицах %4")
                .arg(fileName, QString::number(s.tables.size()), QString::number(choice.table), tableList(s.tables)));
    const Table& t = s.tables.at(choice.table - 1);
    if (!t.found.densities)
        throw Error(QStringLiteral("Таблица %1 файла «%2» — не оптические плотности; они в таблицах %3")
                        .arg(numbered(choice.table, t.found.label), fileName, tableList(s.tables)));
    if (!t.offered)
        throw Error(QStringLiteral("Таблица %1 файла «%2» — %3, не оптические плотности; они в таблицах %4")
                        .arg(numbered(choice.table, t.found.label), fileName, kindName(t.kind), tableList(s.tables)));
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
    for (const Table& t : s.tables) {
        ExportTable e;
        e.label = t.found.label;
        e.densities = t.offered;
        e.rawAbsorbance = t.kind == ReadKind::RawAbsorbance;
        e.reduced = t.kind == ReadKind::Reduced;
        if (t.found.densities && !t.offered)
            e.holds = kindName(t.kind);
        if (t.found.repeats.size() > 1)
            e.repeats = t.found.repeatLabels;
        contents.tables.append(e);
    }
    contents.defaultTable = defaultTable(s).table;
    contents.wellList = s.wellList;
    return contents;
}

ReaderExport parseReaderExport(const QByteArray& bytes, const QString& fileName, ImportChoice choice)
{
    const Scan s = scan(bytes, fileName);
    Default taken;
    const Table& chosen = chosenTable(s, fileName, choice, taken);
    const FoundTable& t = chosen.found;
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
    plate.reduced = chosen.kind == ReadKind::Reduced;
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
    // A read that holds no number for any well of the layout changes nothing:
    // written, it would only erase the densities already there.
    int usedWithNumber = 0;
    bool layoutUsed = false;
    for (int row = 1; row <= 8; ++row) {
        for (int col = 1; col <= 12; ++col) {
            if (layout.cell(col, row) == Project::EmptyWell)
                continue;
            layoutUsed = true;
            usedWithNumber += plate.densities[size_t(ReaderExport::index(col, row))].isEmpty() ? 0 : 1;
        }
    }
    if (layoutUsed && usedWithNumber == 0)
        throw Error(QStringLiteral("В файле «%1» в таблице%2 нет ни одного числа для лунок раскладки: плотности не "
                                   "записаны, данные планшета не изменены")
                        .arg(path, plate.label.isEmpty() ? QString() : QStringLiteral(" «%1»").arg(plate.label)));

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
    if (plate.taken == TableTaken::Chosen && plate.reduced)
        message.append(QStringLiteral("Взята выбранная таблица %1 из %2%3 — %4.")
                           .arg(plate.block)
                           .arg(plate.blocks)
                           .arg(label, exporttext::kindName(ReadKind::Reduced)));
    else if (plate.taken == TableTaken::Chosen)
        message.append(
            QStringLiteral("Взята выбранная таблица %1 из %2%3.").arg(plate.block).arg(plate.blocks).arg(label));
    else if (plate.taken == TableTaken::OnlyRaw)
        message.append(QStringLiteral("Взята таблица %1 из %2%3: единственное в файле необработанное измерение "
                                      "поглощения.")
                           .arg(plate.block)
                           .arg(plate.blocks)
                           .arg(label));
    else if (plate.taken == TableTaken::OnlyAbsorbance)
        message.append(QStringLiteral("Взята таблица %1 из %2%3: остальные таблицы файла — не оптические плотности.")
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
