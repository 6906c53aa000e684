#include "cli/commands.h"
#include "cli/common.h"

#include "docs/projectfile.h"
#include "model/errors.h"
#include "model/project.h"
#include "reader/acquisition.h"
#include "reader/comport.h"

#include <QTimer>

namespace pleq::cli {

namespace {

const int DefaultSilence = 30; // seconds without a line in the log

// No window: the log goes to stderr, label and buttons show nowhere.
class NoView final : public ReaderView
{
public:
    void showConnection(bool) override {}
    void showAcquiring(bool) override {}
};

} // namespace

// "Получить данные" from the command line: the same acquisition against the
// reader on a COM port number or a device file, the reader log on stderr, and
// the project with the new densities written out. A reader that stays silent
// (no log line) for --silence seconds ends the acquisition as "Прервать" does.
int read(const QStringList& args)
{
    const QString usage = QStringLiteral(
        "usage: pleq-cli read PROJECT.plq (--device PATH | --port N) [-o OUT.plq] [--silence SECONDS]");
    const Options options = parseOptions(
        args, {QStringLiteral("--device"), QStringLiteral("--port"), QStringLiteral("-o"), QStringLiteral("--silence")},
        {}, usage);
    const bool byDevice = options.has(QStringLiteral("--device"));
    if (byDevice == options.has(QStringLiteral("--port")))
        throw Error(usage);
    const int port = byDevice ? 0 : toInt(options.value(QStringLiteral("--port")));
    const int silence = options.has(QStringLiteral("--silence")) ? toInt(options.value(QStringLiteral("--silence")))
                                                                   : DefaultSilence;
    if (silence < 1)
        throw Error(QStringLiteral("--silence takes a number of seconds from 1"));

    const auto project = loadProject(options.project);
    NoView view;
    ReaderLink link(*project, view);
    if (byDevice) {
        // A device file bypasses the COM numbering and names itself in messages.
        const QString device = options.value(QStringLiteral("--device"));
        link.setPortOpener([device](int) { return std::make_unique<TComPort>(device, device, ReaderLink::BaudRate); });
    }
    project->setPortNumber(port);

    QTimer silent;
    silent.setSingleShot(true);
    silent.setInterval(silence * 1000);
    bool timedOut = false;
    QObject::connect(&silent, &QTimer::timeout, [&] {
        timedOut = true;
        link.StopBtnClick();
    });
    QObject::connect(project.get(), &Project::logAppended, [&](const QString& line) {
        err(line + QLatin1Char('\n'));
        silent.start();
    });
    silent.start();

    if (!link.GoClick())
        return fail(timedOut ? QStringLiteral("the reader did not answer for %1 s").arg(silence)
                             : QStringLiteral("the acquisition was stopped"));
    writeOutput(options.value(QStringLiteral("-o")), writeProjectFile(*project));
    return 0;
}

} // namespace pleq::cli
