// A density text as typed, pasted or read (first byte: the decimal separator
// and the encoding of the rest), and the number text of what it reads.
#include "check.h"

#include "core/calc/steps.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

std::optional<double> read(const QString& text)
{
    try {
        return pleq::readDensity(text);
    } catch (const pleq::Error&) {
        return std::nullopt;
    }
}

// A number shown reads back to a number shown the same way; only a value that
// rounds past the largest double to 15 digits cannot be read back, and a text
// of one character ("1" to "9") reads as 0 by the lab's rule.
void checkNumberText(double v)
{
    const QString text = pleq::numberText(v);
    const std::optional<double> back = read(text);
    FUZZ_CHECK(back || std::fabs(v) > 1.797693134862315e308);
    if (back && text.size() > 1)
        FUZZ_CHECK(pleq::numberText(*back) == text);
    for (const bool doubtful : {false, true}) {
        try {
            (void)pleq::markedWell(v, doubtful).text();
        } catch (const pleq::Error&) { // an overflow stops the run: allowed
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    pleq::setDecimalSeparator(QChar(data[0] & 1 ? ',' : '.'));
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const qsizetype n = qsizetype(size - 1);
    QString text;
    switch ((data[0] >> 1) % 3) {
    case 0: text = QString::fromLatin1(rest, n); break;
    case 1: text = QString::fromUtf8(rest, n); break;
    default: // UTF-16 as it comes, unpaired surrogates included
        text = QString(n / 2, Qt::Uninitialized);
        std::memcpy(text.data(), rest, size_t(n / 2) * 2);
    }

    const std::optional<double> value = read(text);
    if (value)
        FUZZ_CHECK(std::isfinite(*value));
    // Either mark reads the same.
    QString swapped = text;
    for (QChar& c : swapped)
        c = c == QLatin1Char(',') ? QLatin1Char('.') : c == QLatin1Char('.') ? QLatin1Char(',') : c;
    const std::optional<double> other = read(swapped);
    FUZZ_CHECK(value.has_value() == other.has_value());
    if (value)
        FUZZ_CHECK(std::memcmp(&*value, &*other, sizeof(double)) == 0);

    if (value)
        checkNumberText(*value);
    double raw; // the bytes as a double reach every magnitude at once
    if (n >= qsizetype(sizeof raw)) {
        std::memcpy(&raw, rest, sizeof raw);
        if (std::isfinite(raw))
            checkNumberText(raw);
    }
    return 0;
}
