#include "archive/recordcodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace pleq::codec {

QString labelsText(const std::array<SummaryLabel, LabelCount>& labels)
{
    QJsonArray array;
    for (const SummaryLabel& label : labels)
        array.append(QJsonObject{{QStringLiteral("text"), label.text},
                                 {QStringLiteral("color"), QString::fromLatin1(labelColorName(label.color))},
                                 {QStringLiteral("visible"), label.visible}});
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

bool readLabels(const QString& json, std::array<SummaryLabel, LabelCount>& labels)
{
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8());
    if (!doc.isArray() || doc.array().size() != LabelCount)
        return false;
    for (int i = 0; i < LabelCount; ++i) {
        const QJsonObject o = doc.array().at(i).toObject();
        SummaryLabel& label = labels[size_t(i)];
        label.text = o.value(QLatin1String("text")).toString();
        const QString color = o.value(QLatin1String("color")).toString();
        if (color == QLatin1String("green"))
            label.color = LabelColor::Green;
        else if (color == QLatin1String("red"))
            label.color = LabelColor::Red;
        else if (color == QLatin1String("default"))
            label.color = LabelColor::Default;
        else
            return false;
        label.visible = o.value(QLatin1String("visible")).toBool();
    }
    return true;
}

QString linesText(const QStringList& lines)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(lines)).toJson(QJsonDocument::Compact));
}

bool readLines(const QString& json, QStringList& lines)
{
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8());
    if (!doc.isArray())
        return false;
    for (const QJsonValue& v : doc.array()) {
        if (!v.isString())
            return false;
        lines.append(v.toString());
    }
    return true;
}

const QString& verdictText(Verdict verdict)
{
    static const QString texts[] = {
        QLatin1String(verdictName(Verdict::None)), QLatin1String(verdictName(Verdict::Positive)),
        QLatin1String(verdictName(Verdict::Negative)), QLatin1String(verdictName(Verdict::Doubtful))};
    return texts[int(verdict)];
}

bool readVerdict(const QString& name, Verdict& verdict)
{
    for (Verdict v : {Verdict::None, Verdict::Positive, Verdict::Negative, Verdict::Doubtful})
        if (name == verdictText(v)) {
            verdict = v;
            return true;
        }
    return false;
}

const QString& kindText(WellKind kind)
{
    static const QString texts[] = {QLatin1String(kindName(WellKind::Empty)),
                                    QLatin1String(kindName(WellKind::Control)),
                                    QLatin1String(kindName(WellKind::Sample))};
    return texts[int(kind)];
}

bool readKind(const QString& name, WellKind& kind)
{
    for (WellKind k : {WellKind::Empty, WellKind::Control, WellKind::Sample})
        if (name == kindText(k)) {
            kind = k;
            return true;
        }
    return false;
}

QString sampleNames(const RunRecord& record)
{
    QStringList names;
    for (const ArchivedSample& sample : record.samples)
        names.append(sample.name);
    return names.join(QLatin1Char('\n'));
}

} // namespace pleq::codec
