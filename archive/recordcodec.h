#pragma once

#include "core/archive/runrecord.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>

// The stored form of a record's fields that are not plain columns: the
// labels, messages and log lines as JSON, verdicts and well kinds by name,
// the joined sample names; and back. A stored value no record writes reads
// as false, so that verify can call the run changed.
namespace pleq::codec {

QString labelsText(const std::array<SummaryLabel, LabelCount>& labels);
bool readLabels(const QString& json, std::array<SummaryLabel, LabelCount>& labels);

QString linesText(const QStringList& lines);
bool readLines(const QString& json, QStringList& lines);

const QString& verdictText(Verdict verdict);
bool readVerdict(const QString& name, Verdict& verdict);

const QString& kindText(WellKind kind);
bool readKind(const QString& name, WellKind& kind);

// runs.sample_names: the names in list order, one per line (the journal searches it).
QString sampleNames(const RunRecord& record);

// A typed SQL NULL (the drivers bind a typeless one badly).
inline QVariant nullOf(QMetaType::Type type)
{
    return QVariant(QMetaType(type));
}

} // namespace pleq::codec
