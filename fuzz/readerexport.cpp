// Bytes opened as a reader's export file: either no plate, or 96 wells each
// holding a density the calculation reads or named as empty.
#include "check.h"

#include "core/calc/steps.h"
#include "core/files/readerexport.h"
#include "core/model/errors.h"

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    pleq::files::ReaderExport plate;
    try {
        plate = pleq::files::parseReaderExport(bytes, QStringLiteral("fuzz.txt"));
    } catch (const pleq::Error& e) {
        FUZZ_CHECK(e.message().contains(QStringLiteral("«fuzz.txt»")));
        return 0;
    }
    FUZZ_CHECK(plate.block >= 1 && plate.block <= plate.blocks);
    qsizetype filled = 0;
    for (const QString& density : plate.densities) {
        if (density.isEmpty())
            continue;
        ++filled;
        FUZZ_CHECK(density.size() > 1); // a one-character text would count as 0
        FUZZ_CHECK(std::isfinite(pleq::readDensity(density)));
    }
    FUZZ_CHECK(filled + plate.markedWells.size() == pleq::files::ReaderExport::Wells);
    return 0;
}
