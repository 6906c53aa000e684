// Reader replies as they arrive (each chunk: a length byte, then its bytes),
// collected as the acquisition collects them and read as a plate.
#include "check.h"

#include "core/calc/steps.h"
#include "core/model/errors.h"
#include "core/model/project.h"
#include "core/reader/replies.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray received;
    for (size_t at = 0; at < size;) {
        const size_t length = std::min<size_t>(data[at], size - at - 1);
        const QByteArray chunk(reinterpret_cast<const char*>(data + at + 1), qsizetype(length));
        at += 1 + length;
        received += chunk;
        if (pleq::classify(chunk) != pleq::ReplyClass::Data)
            continue;
        const QString text = pleq::chunkText(chunk);
        FUZZ_CHECK(text.size() <= std::max<qsizetype>(chunk.size() - 1, 0));
        FUZZ_CHECK(!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')));
    }

    // A whole plate of densities the calculation reads, or a refusal that
    // says so and writes nothing.
    const pleq::ReaderPlate plate = pleq::readPlate(received);
    if (!plate.error.isEmpty()) {
        FUZZ_CHECK(plate.densities.isEmpty());
        FUZZ_CHECK(plate.error.endsWith(QStringLiteral("повторите чтение.")));
        return 0;
    }
    FUZZ_CHECK(plate.densities.size() == 96);
    for (const QString& density : plate.densities) {
        FUZZ_CHECK(density.size() == 5);
        FUZZ_CHECK(!density.contains(QLatin1Char(' ')) && !density.contains(QLatin1Char('\r'))
                   && !density.contains(QLatin1Char('\n')));
        bool readable = true;
        try {
            pleq::readDensity(density);
        } catch (const pleq::Error&) {
            readable = false;
        }
        FUZZ_CHECK(readable);
    }

    // Two wells in three used; the others keep their text.
    pleq::Project project;
    const auto used = [](int col, int row) { return (col + row) % 3 != 0; };
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row) {
            project.plateLayout().setCell(col, row, used(col, row) ? QStringLiteral("S+") : pleq::Project::EmptyWell);
            project.densityTable().setCell(col, row, QStringLiteral("kept"));
        }
    pleq::writeDensities(plate.densities, project);
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row) {
            const QString density = project.densityTable().cell(col, row);
            FUZZ_CHECK(density
                       == (used(col, row) ? plate.densities.at((col - 1) * 8 + row - 1) : QStringLiteral("kept")));
        }
    return 0;
}
