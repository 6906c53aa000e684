#pragma once

#include "core/kits/kit.h"
#include "core/model/project.h"
#include "core/model/wellresult.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace pleq {

struct PlateResult;

// One well of an archived run: what the plate layout, the densities and the
// result grid held there.
struct ArchivedWell {
    int col = 0; // 1..12
    int row = 0; // 1..8 (A..H)
    QString layout;
    QString density; // the text as the density grid held it
    std::optional<double> value;
    Verdict verdict = Verdict::None;
    WellKind kind = WellKind::Empty;
    std::optional<int> sample;
    QString name() const; // "A1" .. "H12"
};

// One row of the sample list: number, name, quantity, as texts.
struct ArchivedSample {
    QString number, name, quantity;
};

// The mean optical density of the wells of one control on one plate (the
// point a control chart plots), with the number of wells it averages.
struct ControlMean {
    QString control; // the control's layout text, as the kit lays it: "C+", "S+!"
    double mean = 0;
    int wells = 0;
};

// Who archived a run, where.
struct RunIdentity {
    QString host;   // the workstation's host name
    QString osUser; // the operating-system user
    static RunIdentity ofThisWorkstation();
};

// One plate as the archive keeps it: the lab's record of a run.
struct RunRecord {
    QString uid; // made once with the record; a run sent twice is stored once
    QDateTime time;
    QString executor;
    QString host;
    QString osUser;
    Kit kit = Kit::K01;
    QString plateName;
    std::optional<int> material; // only for a kit that offers the choice: 0 "Молоко", 1 "Сыворотка"
    QByteArray projectFile;      // the bytes "Сохранить ..." writes
    QByteArray protocol; // the bytes "Протокол" writes; empty when it could not be made (the last message says why)
    std::vector<ArchivedWell> wells; // 96, scan order: column 1..12, within it rows A..H
    std::vector<ArchivedSample> samples;
    std::array<SummaryLabel, LabelCount> labels{};
    QStringList messages;              // the validity messages of the run
    QStringList log;                   // the log lines of the run
    std::vector<ControlMean> controls; // in the kit's control order; only controls the plate holds

    // The journal's summary.
    int sampleCount() const;
    int count(Verdict verdict) const; // sample wells with that verdict
    bool valid() const { return messages.isEmpty(); }
};

// The record of the project as it stands, for "Протокол", "В архив" and
// `pleq-cli archive add`: the result wells and labels the project holds, the
// messages and log lines of `run` when given (the last "Расчет" that still
// matches the plate, its error among the messages if one stopped it); without
// a run the record carries NotCalculatedMessage, so it never reads as valid.
// A protocol that cannot be made costs the run nothing else: the record has
// no protocol bytes and "Протокол не составлен: <the protocol's error>" as
// its last message. Throws Error when the project cannot be written as a file.
inline const QString NotCalculatedMessage =
    QStringLiteral("Расчет не выполнен для планшета в этом виде: результаты не проверены.");
RunRecord makeRunRecord(const Project& project, const PlateResult* run, const QDateTime& time,
                        const RunIdentity& identity);

// The inverse of the record's result part: the run's results as the "Расчет"
// that made them left them (wells, labels, messages and log lines as stored,
// not calculated again), for exporting an archived run.
PlateResult storedResult(const RunRecord& record);

// The control means of a plate: for each control the kit lays (catalogue
// order), the mean density of its wells that hold a readable density.
std::vector<ControlMean> controlMeans(Kit kit, const std::vector<ArchivedWell>& wells);

// The record's time as the archive stores it (runs.time): ISO 8601 with the
// offset it was taken in and milliseconds, "2026-12-01T10:00:00.000+03:00";
// and in UTC for sorting and date filters (runs.time_utc), "2026-12-01T07:00:00.000Z".
QString runTimeText(const QDateTime& time);
QString runTimeUtcText(const QDateTime& time);

// The chain link: SHA-256 (lower-case hex) over a canonical encoding of every
// field of the record and the previous run's hash ("" for the first run). The
// wells count in scan order (column, then row), the order the archive keeps.
QByteArray runHash(const RunRecord& record, const QByteArray& previousHash);

} // namespace pleq
