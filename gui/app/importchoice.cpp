#include "gui/app/importchoice.h"

#include "gui/app/dialogs.h"

namespace pleq {

namespace {

// The index picked from `items`, nothing when cancelled.
std::optional<int> pick(QWidget* parent, const QString& prompt, const QStringList& items)
{
    const std::optional<int> picked = Dialogs::get().choose(parent, prompt, items);
    if (!picked || *picked < 0 || *picked >= items.size())
        return std::nullopt;
    return picked;
}

} // namespace

std::optional<files::ImportChoice> chooseImport(QWidget* parent, const QString& path)
{
    const files::ExportContents contents = files::readReaderExportContents(path);
    files::ImportChoice choice;
    int table = contents.defaultTable;
    if (table == 0) {
        // Only a table of densities can be taken; each keeps its number in the file.
        QList<int> numbers;
        QStringList items;
        for (qsizetype i = 0; i < contents.tables.size(); ++i) {
            if (contents.tables.at(i).densities) {
                numbers.append(int(i) + 1);
                QString item = files::numbered(int(i) + 1, contents.tables.at(i).label);
                if (contents.tables.at(i).reduced)
                    item += QStringLiteral(" (значения за вычетом бланка или референса)");
                items.append(item);
            }
        }
        const QString prompt =
            items.size() == 1
                ? QStringLiteral("В файле «%1» нет необработанного измерения поглощения. Импортировать эту таблицу?")
                : QStringLiteral("В файле «%1» несколько таблиц оптических плотностей. Какую импортировать?");
        const std::optional<int> picked = pick(parent, prompt.arg(path), items);
        if (!picked)
            return std::nullopt;
        table = choice.table = numbers.at(*picked);
    }
    const QStringList& repeats = contents.tables.at(table - 1).repeats;
    if (!repeats.isEmpty()) {
        QStringList items;
        for (qsizetype r = 0; r < repeats.size(); ++r)
            items.append(files::numbered(int(r) + 1, repeats.at(r)));
        const std::optional<int> picked = pick(
            parent, QStringLiteral("В файле «%1» у лунок по нескольку значений. Какой повтор импортировать?").arg(path),
            items);
        if (!picked)
            return std::nullopt;
        choice.repeat = *picked + 1;
    }
    return choice;
}

} // namespace pleq
