// Bytes opened as a reader's export file: either refused naming the file, or
// a list of tables whose default (the one table offered, never values less a
// blank) and every table offered read as 96 wells, each holding a density the
// calculation reads, named as held without a number, or named as absent.
// Nothing not absorbance: a table labelled as another measurement (fluorescence,
// luminescence, calculated, concentration, curve fit) is never offered nor read,
// and bytes under a declared fluorescence whose tables name no absorbance
// write no density.
#include "check.h"

#include "core/calc/steps.h"
#include "core/files/exporttext.h"
#include "core/files/readerexport.h"
#include "core/model/errors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

using pleq::files::ReaderExport;

const QString FileName = QStringLiteral("fuzz.txt");

void checkPlate(const ReaderExport& plate)
{
    FUZZ_CHECK(plate.block >= 1 && plate.block <= plate.blocks);
    FUZZ_CHECK(plate.repeat >= 0 && plate.repeat <= plate.repeats);
    qsizetype filled = 0;
    for (const QString& density : plate.densities) {
        if (density.isEmpty())
            continue;
        ++filled;
        FUZZ_CHECK(density.size() > 1); // a one-character text would count as 0
        FUZZ_CHECK(std::isfinite(pleq::readDensity(density)));
    }
    FUZZ_CHECK(filled + plate.markedWells.size() + plate.absentWells.size() == ReaderExport::Wells);
}

// Parses with `choice`; false when refused, the message naming the file.
bool parses(const QByteArray& bytes, pleq::files::ImportChoice choice, ReaderExport& plate)
{
    try {
        plate = pleq::files::parseReaderExport(bytes, FileName, choice);
        return true;
    } catch (const pleq::Error& e) {
        FUZZ_CHECK(e.message().contains(QStringLiteral("«fuzz.txt»")));
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    pleq::files::ExportContents contents;
    ReaderExport plate;
    try {
        contents = pleq::files::readerExportContents(bytes, FileName);
    } catch (const pleq::Error& e) {
        FUZZ_CHECK(e.message().contains(QStringLiteral("«fuzz.txt»")));
        FUZZ_CHECK(!parses(bytes, {}, plate)); // what cannot be listed is not read either
        return 0;
    }
    const auto tables = int(contents.tables.size());
    FUZZ_CHECK(tables >= 1 && contents.defaultTable >= 0 && contents.defaultTable <= tables);

    // A default is the one table offered, and not one less a blank.
    int offered = 0;
    for (const pleq::files::ExportTable& table : contents.tables) {
        offered += table.densities ? 1 : 0;
        using pleq::files::exporttext::ReadKind;
        const ReadKind kind = pleq::files::exporttext::readKind(table.label);
        if (table.densities)
            FUZZ_CHECK(kind == ReadKind::Unknown || kind == ReadKind::RawAbsorbance || kind == ReadKind::Reduced);
        FUZZ_CHECK(!table.densities || table.holds.isEmpty());
    }
    FUZZ_CHECK(offered >= 1);
    if (contents.defaultTable > 0) {
        const pleq::files::ExportTable& taken = contents.tables.at(contents.defaultTable - 1);
        FUZZ_CHECK(taken.densities && !taken.reduced && offered == 1);
    } else {
        FUZZ_CHECK(offered > 1
                   || std::any_of(contents.tables.begin(), contents.tables.end(),
                                  [](const pleq::files::ExportTable& t) { return t.densities && t.reduced; }));
    }

    // Without a choice: the default, unless it has repeats; nothing without a default.
    const bool needsRepeat =
        contents.defaultTable > 0 && !contents.tables.at(contents.defaultTable - 1).repeats.isEmpty();
    const bool read = parses(bytes, {}, plate);
    FUZZ_CHECK(read == (contents.defaultTable > 0 && !needsRepeat));
    if (read) {
        FUZZ_CHECK(plate.block == contents.defaultTable);
        checkPlate(plate);
    }
    // The first tables, their first and last repeat, read as chosen when they hold densities.
    for (int t = 1; t <= tables && t <= 4; ++t) {
        const pleq::files::ExportTable& table = contents.tables.at(t - 1);
        const auto repeats = int(table.repeats.size());
        for (const int repeat : repeats == 0 ? QList<int>{0} : QList<int>{1, repeats}) {
            FUZZ_CHECK(parses(bytes, {t, repeat}, plate) == table.densities);
            if (table.densities) {
                FUZZ_CHECK(plate.block == t && plate.repeat == repeat);
                checkPlate(plate);
            }
        }
    }

    // The same bytes under a declared fluorescence: a table whose own label
    // names no absorbance is never read.
    const QStringList text = pleq::files::exporttext::lines(bytes);
    if (std::any_of(text.begin(), text.end(), [](const QString& line) {
            return pleq::files::exporttext::declaredMeasurement(line) != pleq::files::exporttext::ReadKind::Unknown;
        }))
        return 0;
    try {
        const pleq::files::ExportContents declared =
            pleq::files::readerExportContents("Measurement type: Fluorescence (FI)\n" + bytes, FileName);
        for (const pleq::files::ExportTable& table : declared.tables)
            FUZZ_CHECK(!table.densities || pleq::files::exporttext::namesAbsorbance(table.label));
    } catch (const pleq::Error& e) {
        FUZZ_CHECK(e.message().contains(QStringLiteral("«fuzz.txt»")));
    }
    return 0;
}
