#include "core/archive/runrecord.h"

#include "core/archive/account.h"
#include "core/calc/plateresult.h"
#include "core/calc/steps.h"
#include "core/files/projectfile.h"
#include "core/files/protocol.h"
#include "core/kits/catalogue.h"
#include "core/model/errors.h"

#include <QCryptographicHash>
#include <QSysInfo>
#include <QUuid>

#include <algorithm>
#include <charconv>

namespace pleq {

QString ArchivedWell::name() const
{
    return TextGrid::rowLetter(row) + QString::number(col);
}

RunIdentity RunIdentity::ofThisWorkstation()
{
    RunIdentity identity;
    identity.host = QSysInfo::machineHostName();
    identity.osUser = accountName();
    if (identity.osUser.isEmpty())
        identity.osUser = qEnvironmentVariable("USER");
    return identity;
}

int RunRecord::sampleCount() const
{
    return int(samples.size());
}

int RunRecord::count(Verdict verdict) const
{
    int n = 0;
    for (const ArchivedWell& well : wells)
        if (well.kind == WellKind::Sample && well.verdict == verdict)
            ++n;
    return n;
}

RunRecord makeRunRecord(const Project& project, const PlateResult* run, const QDateTime& time,
                        const RunIdentity& identity)
{
    RunRecord record;
    record.uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    // Fixed at the offset it was taken in: the same instant and text, and no
    // time zone lookup each time the record is written or hashed.
    record.time = time.toOffsetFromUtc(time.offsetFromUtc());
    record.executor = project.executor();
    record.host = identity.host;
    record.osUser = identity.osUser;
    record.kit = project.kit();
    record.plateName = project.plateName();
    if (project.materialOffered())
        record.material = project.material() == Material::Milk ? 0 : 1;
    record.projectFile = writeProjectFile(project);
    std::optional<QString> protocolStop;
    try {
        record.protocol = protocolBytes(project);
    } catch (const Error& e) {
        protocolStop = QStringLiteral("Протокол не составлен: %1").arg(e.message());
    }

    record.wells.reserve(96);
    forEachWell([&](int col, int row) {
        ArchivedWell well;
        well.col = col;
        well.row = row;
        well.layout = project.plateLayout().cell(col, row);
        well.density = project.densityTable().cell(col, row);
        const WellResult& result = project.resultWells().at(col, row);
        well.value = result.value;
        well.verdict = result.verdict;
        well.kind = wellKind(well.layout);
        if (well.kind == WellKind::Sample)
            well.sample = sampleNumber(well.layout);
        record.wells.push_back(well);
    });

    const TextGrid& samples = project.sampleTable();
    for (int row = 1; row < samples.rows(); ++row)
        record.samples.push_back({samples.cell(0, row), samples.cell(1, row), samples.cell(2, row)});

    for (int i = 0; i < LabelCount; ++i)
        record.labels[size_t(i)] = project.label(Label(i));
    if (run) {
        record.messages = run->messages;
        // A run stopped by an error is archived as it stands, marked invalid by its error.
        if (run->error)
            record.messages.append(*run->error);
        record.log = run->log;
    } else {
        // No "Расчет" matches the plate as it stands: its results are not
        // confirmed, so the run must not read as valid.
        record.messages.append(NotCalculatedMessage);
    }
    if (protocolStop)
        record.messages.append(*protocolStop);
    record.controls = controlMeans(record.kit, record.wells);
    return record;
}

PlateResult storedResult(const RunRecord& record)
{
    PlateResult result;
    for (const ArchivedWell& well : record.wells) {
        if (well.col < 1 || well.col > 12 || well.row < 1 || well.row > 8)
            continue;
        PlateWell& target = result.well(well.col, well.row);
        target.result.value = well.value;
        target.result.verdict = well.verdict;
        target.kind = well.kind;
        target.sample = well.sample;
    }
    result.labels = record.labels;
    result.messages = record.messages;
    result.log = record.log;
    return result;
}

std::vector<ControlMean> controlMeans(Kit kit, const std::vector<ArchivedWell>& wells)
{
    std::vector<ControlMean> means;
    for (const char* control : kitEntry(kit).controls) {
        const QString name = QString::fromUtf8(control);
        double sum = 0;
        int count = 0;
        for (const ArchivedWell& well : wells) {
            if (well.layout != name || well.density.trimmed().isEmpty())
                continue;
            try {
                sum += readDensity(well.density);
                ++count;
            } catch (const Error&) {
                // A density the calculation cannot read is no point of the chart.
            }
        }
        if (count > 0)
            means.push_back({name, sum / count, count});
    }
    return means;
}

QString runTimeText(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

QString runTimeUtcText(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"));
}

namespace {

// The canonical encoding the hash runs over: every field in a fixed order,
// each as "<tag><byte length>:<bytes>;" so that no two records share an
// encoding. Numbers are written so that they read back exactly.
class Encoder
{
public:
    Encoder()
        : m_hash(QCryptographicHash::Sha256)
    {
    }
    void text(char tag, const QString& value) { bytes(tag, value.toUtf8()); }
    void bytes(char tag, const QByteArray& value) { field(tag, value.constData(), value.size()); }
    void integer(char tag, qint64 value)
    {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        field(tag, digits, end - digits);
    }
    // %.17g: 17 significant digits read back to the same double.
    void real(char tag, double value)
    {
        char digits[40];
        const auto end = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 17).ptr;
        field(tag, digits, end - digits);
    }
    void absent(char tag)
    {
        const char text[] = {tag, '-', ';'};
        m_hash.addData(QByteArrayView(text, sizeof text));
    }
    QByteArray hex() const { return m_hash.result().toHex(); }

private:
    void field(char tag, const char* data, qsizetype size)
    {
        char head[32];
        head[0] = tag;
        char* end = std::to_chars(head + 1, head + sizeof head - 1, size).ptr;
        *end++ = ':';
        m_hash.addData(QByteArrayView(head, end - head));
        m_hash.addData(QByteArrayView(data, size));
        m_hash.addData(";");
    }

    // The encoding goes straight into the hash: a run's bytes are never copied.
    QCryptographicHash m_hash;
};

} // namespace

QByteArray runHash(const RunRecord& record, const QByteArray& previousHash)
{
    Encoder e;
    e.text('v', QStringLiteral("pleq-run-1"));
    e.bytes('p', previousHash);
    e.text('u', record.uid);
    e.text('t', runTimeText(record.time));
    e.text('e', record.executor);
    e.text('h', record.host);
    e.text('o', record.osUser);
    e.integer('k', int(record.kit) + 1);
    e.text('n', record.plateName);
    if (record.material)
        e.integer('m', *record.material);
    else
        e.absent('m');
    e.bytes('f', record.projectFile);
    e.bytes('r', record.protocol);
    e.integer('W', qint64(record.wells.size()));
    // In scan order whatever the record's order: the order the archive reads them back in.
    std::vector<const ArchivedWell*> wells;
    wells.reserve(record.wells.size());
    for (const ArchivedWell& well : record.wells)
        wells.push_back(&well);
    const auto scanOrder = [](const ArchivedWell* a, const ArchivedWell* b) {
        return std::pair(a->col, a->row) < std::pair(b->col, b->row);
    };
    if (!std::is_sorted(wells.begin(), wells.end(), scanOrder))
        std::stable_sort(wells.begin(), wells.end(), scanOrder);
    for (const ArchivedWell* w : wells) {
        const ArchivedWell& well = *w;
        e.integer('c', well.col);
        e.integer('w', well.row);
        e.text('l', well.layout);
        e.text('d', well.density);
        if (well.value)
            e.real('x', *well.value);
        else
            e.absent('x');
        e.text('y', QString::fromLatin1(verdictName(well.verdict)));
        e.text('z', QString::fromLatin1(kindName(well.kind)));
        if (well.sample)
            e.integer('s', *well.sample);
        else
            e.absent('s');
    }
    e.integer('S', qint64(record.samples.size()));
    for (const ArchivedSample& sample : record.samples) {
        e.text('a', sample.number);
        e.text('b', sample.name);
        e.text('q', sample.quantity);
    }
    for (const SummaryLabel& label : record.labels) {
        e.text('L', label.text);
        e.integer('C', int(label.color));
        e.integer('V', label.visible ? 1 : 0);
    }
    e.integer('M', record.messages.size());
    for (const QString& message : record.messages)
        e.text('g', message);
    e.integer('G', record.log.size());
    for (const QString& line : record.log)
        e.text('i', line);
    e.integer('K', qint64(record.controls.size()));
    for (const ControlMean& control : record.controls) {
        e.text('j', control.control);
        e.real('J', control.mean);
        e.integer('N', control.wells);
    }
    return e.hex();
}

} // namespace pleq
