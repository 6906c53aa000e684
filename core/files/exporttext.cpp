#include "core/files/exporttext.h"

#include "core/files/fileio.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <cmath>
#include <utility>

namespace pleq::files::exporttext {

const QChar Separators[3] = {QLatin1Char('\t'), QLatin1Char(';'), QLatin1Char(',')};

namespace {

QString decode(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    // Files saved by Windows programs in a Russian setting are Windows-1251.
    return utf8.hasError() ? fromWindows1251(bytes) : text;
}

QString wellsWord(int n)
{
    if (n % 10 == 1 && n % 100 != 11)
        return QStringLiteral("лунка");
    if (n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 12 || n % 100 > 14))
        return QStringLiteral("лунки");
    return QStringLiteral("лунок");
}

} // namespace

QStringList lines(const QByteArray& bytes)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return decode(bytes).split(lineBreak);
}

QStringList splitFields(const QString& line, QChar sep)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"')) {
            if (quoted && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"'))
                field += line.at(++i);
            else
                quoted = !quoted;
        } else if (c == sep && !quoted) {
            fields.append(field.trimmed());
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field.trimmed());
    return fields;
}

QChar separatorOf(const QString& line)
{
    for (const QChar s : Separators) {
        if (line.contains(s))
            return s;
    }
    return QLatin1Char(',');
}

Cell readCell(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?$"));
    if (number.match(text).hasMatch()) {
        QString n = text;
        n.replace(QLatin1Char(','), QLatin1Char('.'));
        if (n.startsWith(QLatin1Char('+')))
            n.remove(0, 1);
        // A density text of one character counts as 0; "3" means 3.
        if (n.size() == 1)
            n += QStringLiteral(".0");
        bool ok = false;
        const double value = n.toDouble(&ok);
        if (ok && std::isfinite(value))
            return {CellKind::Number, n};
        return {CellKind::Marker, {}}; // beyond any density ("1e999")
    }
    // A text with a letter and a digit names something ("S1", "STD2"); one
    // without is an instrument's marker ("OVRFLW", "Range?", "?????", ">3.5").
    bool letter = false;
    bool digit = false;
    for (const QChar c : text) {
        letter = letter || c.isLetter();
        digit = digit || c.isDigit();
    }
    return {letter && digit ? CellKind::Label : CellKind::Marker, {}};
}

QString wellName(int col, int row)
{
    return rowLetters(row) + QString::number(col);
}

QString rowLetters(int row)
{
    if (row <= 26)
        return QString(QLatin1Char(char('A' + row - 1)));
    return QStringLiteral("A") + QLatin1Char(char('A' + row - 27));
}

int rowNumber(const QString& letters)
{
    const QString l = letters.toUpper();
    if (l.size() == 1 && l.at(0) >= QLatin1Char('A') && l.at(0) <= QLatin1Char('Z'))
        return l.at(0).unicode() - 'A' + 1;
    if (l.size() == 2 && l.at(0) == QLatin1Char('A') && l.at(1) >= QLatin1Char('A') && l.at(1) <= QLatin1Char('F'))
        return 27 + l.at(1).unicode() - 'A';
    return 0;
}

QString otherSizeMessage(const QString& fileName, const QString& where, int rows, int columns)
{
    const int wells = rows * columns;
    return QStringLiteral("В файле «%1» %2 планшета %3 × %4 (%5 %6), а импортируется только планшет 8 × 12 "
                          "(96 лунок): файл не прочитан")
        .arg(fileName, where, QString::number(rows), QString::number(columns), QString::number(wells),
             wellsWord(wells));
}

QString labelOf(const QString& line)
{
    QStringList words;
    for (const QString& f : splitFields(line, separatorOf(line))) {
        if (!f.isEmpty())
            words.append(f);
    }
    QString label = words.join(QLatin1Char(' ')).simplified();
    if (label.size() > 60)
        label = label.left(59).trimmed() + QChar(0x2026);
    return label;
}

bool isRawAbsorbance(const QString& label)
{
    // Corrected, calculated or read in another mode: not the raw absorbance.
    static const QRegularExpression processed(
        QStringLiteral("blank|бланк|\\[|delta|corr|conc|ratio|norm|mean|average|sd\\b|cv\\b|fluor|lum|calc|"
                       "\\d\\s*[-/]\\s*\\d|среднее|концентр"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression absorbance(
        QStringLiteral("abs|^od\\b|^od\\d|\\bod\\s?\\d|optical density|raw data|^a\\s?\\d{3}\\b|^оп\\b|"
                       "оптическая плотность|\\d{3}\\s*nm|\\d{3}\\s*нм"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return !processed.match(label).hasMatch() && absorbance.match(label).hasMatch();
}

ReadKind readKind(const QString& label)
{
    const auto pattern = [](const char* text) {
        return QRegularExpression(QString::fromUtf8(text), QRegularExpression::CaseInsensitiveOption
                                                               | QRegularExpression::UseUnicodePropertiesOption);
    };
    // In this order: "Blank 450/650 ratio" is a ratio. Excitation and emission
    // filters ("535-15/587-20") are a fluorescence read's.
    static const std::pair<QRegularExpression, ReadKind> kinds[] = {
        {pattern("fluor|флуоресц|\\bfi\\b|\\bex(citation)?\\b|\\bem(ission)?\\b|\\d{3}\\s*-\\s*\\d+\\s*/\\s*\\d{3}"),
         ReadKind::Fluorescence},
        {pattern("lumin|\\blum\\b|люминесц|alphascreen|\\bbret\\b|\\btrf\\b|time.resolved"), ReadKind::Luminescence},
        {pattern("conc|концентр|\\bdil\\b|dilution"), ReadKind::Concentration},
        {pattern("r-?squared|r\\^2|r²|max\\s*v\\b|vmax|slope|\\bfit\\b|curve|\\b[45]pl\\b|ec50|ic50|onset|lag time"),
         ReadKind::CurveFit},
        {pattern("calc|ratio|norm|mean|average|\\bsd\\b|\\bcv\\b|среднее|расч|[a-z]?\\d{3}\\s*/\\s*[a-z]?\\d{3}|"
                 "^\\d{3}\\s*:\\s*\\d{3}$"),
         ReadKind::Calculated},
        {pattern("blank|бланк|reduc|corr|delta|\\b\\d{3}\\s*[-−–]\\s*\\d{3}\\b"), ReadKind::Reduced},
    };
    for (const auto& [expression, kind] : kinds) {
        if (expression.match(label).hasMatch())
            return kind;
    }
    return isRawAbsorbance(label) ? ReadKind::RawAbsorbance : ReadKind::Unknown;
}

ReadKind declaredMeasurement(const QString& line)
{
    static const QRegularExpression fluorescence(QStringLiteral("fluorescen|флуоресц|\\(fi\\)"),
                                                 QRegularExpression::CaseInsensitiveOption
                                                     | QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression luminescence(QStringLiteral("luminescen|люминесц|alphascreen"),
                                                 QRegularExpression::CaseInsensitiveOption
                                                     | QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression absorbance(
        QStringLiteral("absorbance|absorption|optical density|photometr|оптическая плотность|поглощени"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const bool f = fluorescence.match(line).hasMatch();
    const bool l = luminescence.match(line).hasMatch();
    const bool a = absorbance.match(line).hasMatch();
    if (int(f) + int(l) + int(a) != 1)
        return ReadKind::Unknown;
    return f ? ReadKind::Fluorescence : l ? ReadKind::Luminescence : ReadKind::RawAbsorbance;
}

bool namesAbsorbance(const QString& label)
{
    static const QRegularExpression word(
        QStringLiteral("abs|\\bod\\b|\\bod\\d|optical density|оптическая плотность|^a\\s?\\d{3}\\b"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return word.match(label).hasMatch();
}

QString kindName(ReadKind kind)
{
    switch (kind) {
    case ReadKind::Unknown:
    case ReadKind::RawAbsorbance: return QStringLiteral("оптические плотности");
    case ReadKind::Reduced: return QStringLiteral("значения за вычетом бланка или референса");
    case ReadKind::Fluorescence: return QStringLiteral("флуоресценция");
    case ReadKind::Luminescence: return QStringLiteral("люминесценция");
    case ReadKind::Calculated: return QStringLiteral("расчётные значения");
    case ReadKind::Concentration: return QStringLiteral("концентрации");
    case ReadKind::CurveFit: return QStringLiteral("параметры подгонки кривой");
    }
    return {};
}

bool holdsDensities(const WellCells& cells)
{
    static const QRegularExpression mark(QStringLiteral("[.,eE]"));
    bool fraction = false;
    for (size_t i = 0; i < cells.text.size(); ++i) {
        if (!cells.present[i])
            continue;
        const Cell cell = readCell(cells.text[i]);
        if (cell.kind == CellKind::Label)
            return false;
        if (cell.kind == CellKind::Number && cells.text[i].contains(mark))
            fraction = true;
    }
    return fraction;
}

} // namespace pleq::files::exporttext
