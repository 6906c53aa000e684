#pragma once

#include "lockstep.h"
#include "recordingview.h"

#include "core/model/errors.h"
#include "core/model/project.h"
#include "core/reader/acquisition.h"
#include "core/reader/serialport.h"
#include "core/reader/portnames.h"
#include "tools/reader-sim/readersim.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

using namespace pleq;
using sim::Options;
using sim::ReaderSimulator;

// An acquisition against a simulated reader. Pauses are a fifth of the real
// ones unless a test asks for the real ones. Kept in step (lockstep.h) unless
// the reader never answers or a test asks for replies that come whenever they
// come.
struct Bench {
    Project project;
    RecordingView view;
    ReaderLink link{project, view};
    ReaderSimulator reader;
    std::unique_ptr<Lockstep> lockstep;
    QObject guard;

    enum Pace { InStep, Free };

    explicit Bench(Options options = {}, bool realPauses = false, Pace pace = InStep)
        : reader(options)
    {
        link.setPortNumber(5);
        link.setClock(testTime);
        const bool inStep = pace == InStep && options.mode != Options::Mode::Silent;
        lockstep = std::make_unique<Lockstep>(
            link, reader, [realPauses](int ms) { return realPauses ? ms : ms / 5; }, inStep);
        const HandOverPoster poster = inStep ? lockstep->poster() : qtHandOver();
        link.setPortOpener([this, poster](int number) {
            return std::make_unique<SerialPort>(QString::fromStdString(reader.devicePath()), comPortName(number),
                                                ReaderLink::BaudRate, poster);
        });
        reader.start();
        // A reply that is not understood leaves the acquisition waiting for
        // "Прервать": the test then fails instead of hanging.
        QTimer::singleShot(60000, &guard, [this] { link.stop(); });
    }

    // One whole acquisition, to its end.
    bool run() { return runAcquisition(link); }

    void useEveryWell()
    {
        for (int col = 1; col <= 12; ++col)
            for (int row = 1; row <= 8; ++row)
                project.plateLayout().setCell(col, row, QStringLiteral("1.1"));
    }

    // "Прервать" pressed once the first pause is over, in the wait for the
    // first reply.
    void stopInTheFirstWait()
    {
        lockstep->inPause([this](int, int interval, int index) {
            if (index == 0)
                QTimer::singleShot(interval, Qt::PreciseTimer, &guard, [this] { link.stop(); });
        });
    }

    QString error(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const Error& e) {
            return e.message();
        }
        return {};
    }

    QStringList densities() const { return project.densityTable().columnMajorTexts(); }

    // The first well whose density is not the simulated reader's ("B3: '1.23' instead of '1.234'"),
    // or nothing when the whole plate was read exactly.
    QString firstWrongWell(unsigned seed = 1) const;
};

inline QString simulated(int col, int row, unsigned seed = 1)
{
    return QString::fromStdString(sim::plateValue(col, row, seed));
}

inline QString Bench::firstWrongWell(unsigned seed) const
{
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row) {
            const QString read = project.densityTable().cell(col, row);
            if (read != simulated(col, row, seed))
                return QStringLiteral("%1%2: '%3' instead of '%4'")
                    .arg(QLatin1Char(char('A' + row - 1)))
                    .arg(col)
                    .arg(read, simulated(col, row, seed));
        }
    return {};
}
