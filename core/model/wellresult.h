#pragma once

#include <QString>

#include <array>
#include <optional>

namespace pleq {

// The class a calculation gave a well. A kit marks every well it judges,
// controls too (kit 01 judges every well); whether the class is a diagnosis
// depends on the well's kind. A well whose value is 0 has none.
enum class Verdict { None, Positive, Negative, Doubtful };
const char* verdictName(Verdict verdict); // "none", "positive", ...

// One well of the result grid.
struct WellResult {
    // The number the well shows: the density, for a doubtful well its value
    // − 10 rounded to 3 decimals; none before a calculation has reached it.
    std::optional<double> value;
    Verdict verdict = Verdict::None;

    // The text the calculation writes: "0,5", "0,95 " (negative: a blank
    // after), "(0,6)" (doubtful), "0"; empty without a value.
    QString text() const;
    // The text the result grid and the protocol show: a lone "0" is blank.
    QString shownText() const;
};

// The 96 wells, addressed like the grids: column 1..12, row 1..8 (A..H).
class PlateWells
{
public:
    WellResult& at(int col, int row) { return m_wells[index(col, row)]; }
    const WellResult& at(int col, int row) const { return m_wells[index(col, row)]; }

private:
    static size_t index(int col, int row) { return size_t((col - 1) * 8 + (row - 1)); }
    std::array<WellResult, 96> m_wells{};
};

// What a well of the plate layout holds, by its layout text: a control when
// the text has one of the letters S, R, C, O (the drawing rule, which colours
// such wells black), a sample when the text before its first "." (the whole
// text without one) is an integer, the sample's number; otherwise empty (" - ").
enum class WellKind { Empty, Control, Sample };
const char* kindName(WellKind kind); // "empty", "control", "sample"
WellKind wellKind(const QString& layoutText);
// The text that names the sample of a layout text, and its number.
QString samplePart(const QString& layoutText);
std::optional<int> sampleNumber(const QString& layoutText);

} // namespace pleq
