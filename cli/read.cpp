#include "cli/commands.h"
#include "cli/common.h"
#include "cli/interrupt.h"

#include "core/files/projectfile.h"
#include "core/model/errors.h"
#include "core/model/project.h"
#include "core/reader/acquisition.h"
#include "core/reader/serialport.h"

#include <QAbstractEventDispatcher>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace pleq::cli {

namespace {

const int DefaultSilence = 30; // seconds without a line in the log

// No window: the log goes to stderr, label and buttons show nowhere.
class NoView final : public ReaderView
{
public:
    void showConnection(bool) override { }
    void showAcquiring(bool) override { }
};

} // namespace

// "Получить данные" from the command line: the same acquisition against the
// reader on a COM port number or a device file, the reader log on stderr, and
// the project with the new densities written out. A reader that stays silent
// (no log line) for --silence seconds ends the acquisition as "Прервать" does.
int read(const QStringList& args)
{
    const QString usage = QStringLiteral(
        "usage: pleq-cli read PROJECT.plq (--device PATH | --port N) [-o OUT.plq] [--silence SECONDS] [--stats]");
    const Options options = parseOptions(
        args, {QStringLiteral("--device"), QStringLiteral("--port"), QStringLiteral("-o"), QStringLiteral("--silence")},
        {QStringLiteral("--stats")}, usage);
    const bool byDevice = options.has(QStringLiteral("--device"));
    if (byDevice == options.has(QStringLiteral("--port")))
        throw Error(usage);
    const int port = byDevice ? 0 : toInt(options.value(QStringLiteral("--port")));
    const int silence =
        options.has(QStringLiteral("--silence")) ? toInt(options.value(QStringLiteral("--silence"))) : DefaultSilence;
    if (silence < 1)
        throw Error(QStringLiteral("--silence takes a number of seconds from 1"));

    const auto project = loadProject(options.project);
    NoView view;
    ReaderLink link(*project, view);
    if (byDevice) {
        // A device file bypasses the COM numbering and names itself in messages.
        const QString device = options.value(QStringLiteral("--device"));
        link.setPortOpener(
            [device](int) { return std::make_unique<SerialPort>(device, device, ReaderLink::BaudRate); });
    }
    link.setPortNumber(port);

    QTimer silent;
    silent.setSingleShot(true);
    silent.setInterval(silence * 1000);
    bool timedOut = false;
    QObject::connect(&silent, &QTimer::timeout, [&] {
        timedOut = true;
        link.stop();
    });
    QObject::connect(project.get(), &Project::logAppended, [&](const QString& line) {
        err(line + QLatin1Char('\n'));
        silent.start();
    });
    silent.start();

    bool interrupted = false;
    const InterruptWatch interrupt([&] {
        interrupted = true;
        link.stop();
    });

    // --stats, for bench/reader.sh: the acquisition's wall time, the pauses it
    // took, the CPU time of the whole process (both threads) meanwhile, and
    // the longest stretch between the event loop waking and its next wait for
    // events: how long the loop was kept from its next turn.
    const auto cpuMs = processCpuMilliseconds;
    const bool stats = options.has(QStringLiteral("--stats"));
    auto awake = std::chrono::steady_clock::now();
    double maxGapMs = 0;
    QObject statsContext; // ends the connections before what they write
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(); stats && dispatcher) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, &statsContext,
                         [&] { awake = std::chrono::steady_clock::now(); });
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &statsContext, [&] {
            const auto now = std::chrono::steady_clock::now();
            maxGapMs = std::max(maxGapMs, std::chrono::duration<double, std::milli>(now - awake).count());
        });
    }
    const auto startWall = std::chrono::steady_clock::now();
    const double startCpu = cpuMs();
    const bool acquired = runAcquisition(link);
    if (acquired && stats) {
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - startWall).count();
        err(QStringLiteral("stats: wall_ms=%1 pauses_ms=%2 cpu_ms=%3 max_gap_ms=%4\n")
                .arg(wallMs, 0, 'f', 1)
                .arg(link.pausedMilliseconds())
                .arg(cpuMs() - startCpu, 0, 'f', 1)
                .arg(maxGapMs, 0, 'f', 1));
    }
    if (!acquired)
        return fail(timedOut && !interrupted ? QStringLiteral("the reader did not answer for %1 s").arg(silence)
                                             : QStringLiteral("the acquisition was stopped"));
    writeOutput(options.value(QStringLiteral("-o")), writeProjectFile(*project));
    return 0;
}

} // namespace pleq::cli
