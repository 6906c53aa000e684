// Reader replies as they arrive (each chunk: a length byte, then its bytes),
// collected as the acquisition collects them and parsed into the densities.
#include "check.h"

#include "core/model/project.h"
#include "core/reader/replies.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QString received;
    for (size_t at = 0; at < size;) {
        const size_t length = std::min<size_t>(data[at], size - at - 1);
        const QByteArray chunk(reinterpret_cast<const char*>(data + at + 1), qsizetype(length));
        at += 1 + length;
        if (pleq::classify(chunk) != pleq::ReplyClass::Data)
            continue;
        const QString text = pleq::chunkText(chunk);
        FUZZ_CHECK(text.size() <= std::max<qsizetype>(chunk.size() - 1, 0));
        FUZZ_CHECK(!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')));
        if (!received.contains(QLatin1String("OK")))
            received += text;
    }

    // Two wells in three used; the others keep their text.
    pleq::Project project;
    const auto used = [](int col, int row) { return (col + row) % 3 != 0; };
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row) {
            project.plateLayout().setCell(col, row, used(col, row) ? QStringLiteral("S+") : pleq::Project::EmptyWell);
            project.densityTable().setCell(col, row, QStringLiteral("kept"));
        }
    pleq::parseReceivedData(received, project);
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row) {
            const QString density = project.densityTable().cell(col, row);
            FUZZ_CHECK(used(col, row) ? density.size() <= 5 : density == QLatin1String("kept"));
        }
    return 0;
}
