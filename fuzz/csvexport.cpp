// Texts of a project (plate name, executor, sample name, a layout text; the
// input split at NUL bytes, the first byte picks the form) through the results
// CSV, read back by an RFC 4180 reader: every line holds all columns and
// every text comes back as it was.
#include "check.h"

#include "core/calc/plateresult.h"
#include "core/files/csvexport.h"
#include "core/model/project.h"

#include <QDateTime>
#include <QTimeZone>

#include <cstdint>

namespace {

QList<QStringList> readCsv(const QString& csv, QChar separator)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool fieldStart = true;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const QChar c = csv.at(i);
        if (quoted) {
            if (c != QLatin1Char('"')) {
                field += c;
            } else if (i + 1 < csv.size() && csv.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else { // a closing quote ends the field
                quoted = false;
                FUZZ_CHECK(i + 1 < csv.size() && (csv.at(i + 1) == separator || csv.at(i + 1) == QLatin1Char('\r')));
            }
        } else if (c == QLatin1Char('"') && fieldStart) {
            quoted = true;
            fieldStart = false;
        } else if (c == separator) {
            record.append(field);
            field.clear();
            fieldStart = true;
        } else if (c == QLatin1Char('\r')) {
            FUZZ_CHECK(i + 1 < csv.size() && csv.at(i + 1) == QLatin1Char('\n'));
            ++i;
            record.append(field);
            records.append(record);
            record.clear();
            field.clear();
            fieldStart = true;
        } else {
            FUZZ_CHECK(c != QLatin1Char('"') && c != QLatin1Char('\n')); // only inside quotes
            field += c;
            fieldStart = false;
        }
    }
    FUZZ_CHECK(!quoted && record.isEmpty() && field.isEmpty() && fieldStart); // the last line ends with CR LF
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool spreadsheet = data[0] & 1;
    QList<QByteArray> parts = QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)).split('\0');
    while (parts.size() < 4)
        parts.append(QByteArray());
    QStringList texts;
    for (qsizetype i = 0; i < 4; ++i)
        texts.append(QString::fromUtf8(parts.at(i)));

    pleq::Project project;
    project.setPlateName(texts.at(0));
    project.setExecutor(texts.at(1));
    project.sampleTable().setCell(1, 1, texts.at(2));
    project.plateLayout().setCell(1, 1, texts.at(3));
    pleq::PlateResult result;
    result.well(1, 1).kind = pleq::WellKind::Sample;
    result.well(1, 1).sample = 1;

    const QByteArray bytes =
        pleq::resultsCsv(project, result, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), QTimeZone(0)),
                         spreadsheet ? pleq::CsvStyle::Spreadsheet : pleq::CsvStyle::Machine);
    const QByteArray bom("\xEF\xBB\xBF");
    FUZZ_CHECK(bytes.startsWith(bom) == spreadsheet);
    const QList<QStringList> records =
        readCsv(QString::fromUtf8(spreadsheet ? bytes.mid(3) : bytes), QLatin1Char(spreadsheet ? ';' : ','));
    const QString layout = texts.at(3).trimmed();
    const bool laidOut = !layout.isEmpty() && layout != QLatin1String("-");
    FUZZ_CHECK(records.size() == (laidOut ? 2 : 1));
    for (const QStringList& record : records)
        FUZZ_CHECK(record.size() == 16);
    if (laidOut) {
        const QStringList& row = records.at(1);
        FUZZ_CHECK(row.at(0) == texts.at(0) && row.at(2) == texts.at(1) && row.at(7) == texts.at(3)
                   && row.at(10) == texts.at(2) && row.at(6) == QLatin1String("A1"));
    }
    return 0;
}
