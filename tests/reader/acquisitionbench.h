#pragma once

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
// ones unless a test asks for the real ones; the reader answers well within.
struct Bench {
    Project project;
    RecordingView view;
    ReaderLink link{project, view};
    ReaderSimulator reader;
    QObject guard;

    explicit Bench(Options options = {}, bool realPauses = false)
        : reader(options)
    {
        project.setPortNumber(5);
        link.setClock(testTime);
        link.setPortOpener([this](int number) {
            return std::make_unique<SerialPort>(QString::fromStdString(reader.devicePath()), comPortName(number),
                                              ReaderLink::BaudRate);
        });
        if (!realPauses)
            link.setPauseInterval([](int ms) { return ms / 5; });
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

    // "Прервать" pressed after the given time.
    void stopAfter(int ms)
    {
        QTimer::singleShot(ms, [this] { link.stop(); });
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
};

inline QString simulated(int col, int row, unsigned seed = 1)
{
    return QString::fromStdString(sim::plateValue(col, row, seed));
}

