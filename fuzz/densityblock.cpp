// A block of cells from the clipboard (first byte: the well it is pasted at,
// the rest UTF-8), pasted into the densities and copied back.
#include "check.h"

#include "core/model/densityblock.h"
#include "core/model/project.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int col = data[0] % 12 + 1;
    const int row = data[0] / 12 % 8 + 1;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QList<QStringList> rows = pleq::splitBlock(text);

    // Only wells are written, each once, and the undo empties them again.
    pleq::Project project;
    const pleq::PasteResult result = pleq::pasteDensities(project, col, row, text);
    FUZZ_CHECK(result.previous.size() <= 96);
    FUZZ_CHECK((result.cellsCut == 0) == pleq::pasteMessage(result).isEmpty());
    for (const pleq::WellText& well : result.previous)
        FUZZ_CHECK(well.col >= 1 && well.col <= 12 && well.row >= 1 && well.row <= 8 && well.text.isEmpty());
    pleq::restoreDensityCells(project, result.previous);
    pleq::Project empty;
    FUZZ_CHECK(project.densityTable().columnMajorTexts() == empty.densityTable().columnMajorTexts());

    // The cells copied as a block split back into the same cells.
    qsizetype width = 0;
    for (const QStringList& cells : rows)
        width = std::max(width, cells.size());
    if (rows.isEmpty() || rows.size() > 64 || width > 64)
        return 0;
    pleq::TextGrid grid(int(width) + 1, int(rows.size()) + 1);
    QList<QStringList> square;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QStringList cells = rows[r];
        while (cells.size() < width)
            cells << QString();
        for (qsizetype c = 0; c < width; ++c)
            grid.setCell(int(c) + 1, int(r) + 1, cells[c]);
        square << cells;
    }
    const QString copied = pleq::blockText(grid, 1, 1, int(width), int(rows.size()));
    FUZZ_CHECK(pleq::splitBlock(copied) == square);
    return 0;
}
