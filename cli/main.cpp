#include "archive/sqlwarnings.h"
#include "cli/commands.h"
#include "cli/common.h"
#include "core/files/standardstreams.h"
#include "core/model/errors.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

namespace {

const char* const Usage =
    "usage: pleq-cli COMMAND PROJECT.plq [options]\n"
    "       pleq-cli --version | --help\n"
    "\n"
    "  check PROJECT.plq                         open a project and print a summary\n"
    "  fill PROJECT.plq [-o OUT.plq]             refill the plate layout\n"
    "  calc PROJECT.plq [--json] [--decimal SEP] calculate the plate\n"
    "  protocol PROJECT.plq [-o FILE] [--pdf FILE] [--decimal SEP]\n"
    "                                            calculate and write the protocol\n"
    "  read PROJECT.plq (--device PATH | --port N) [-o OUT.plq] [--silence SECONDS] [--stats]\n"
    "                                            acquire the densities from the reader\n"
    "  import PROJECT.plq FILE [-o OUT.plq] [--table N] [--repeat N]\n"
    "                                            take the densities from a reader's export file\n"
    "  export PROJECT.plq [-o FILE.csv] [--decimal SEP]\n"
    "                                            calculate and write the results as CSV\n"
    "  archive add PROJECT.plq [--archive LOCATION]\n"
    "                                            calculate and store the plate in the run archive\n"
    "  archive verify [--anchor FILE] [--archive LOCATION]\n"
    "                                            check that no archived run was changed or removed\n"
    "  archive anchor [-o FILE] [--archive LOCATION]\n"
    "                                            print (or append to FILE) the chain's head, to keep elsewhere\n"
    "  archive import DIR... [--archive LOCATION]\n"
    "                                            archive every project file under the folders\n"
    "  archive copy --from LOCATION --to LOCATION\n"
    "                                            copy a whole archive into an empty one, chain intact\n"
    "  archive send [--archive LOCATION]         send the runs queued while the archive's server was down\n"
    "  archive qc --kit NN [--from DATE] [--to DATE] [--baseline N|DATE..DATE] [--json] [--archive LOCATION]\n"
    "                                            the control charts of a kit: limits, points, Westgard rules\n";

// `protocol --pdf` paints text, which needs fonts and so Qt Gui; every other
// command runs on Qt Core alone.
bool needsGui(int argc, char* argv[])
{
    return argc > 2 && std::strcmp(argv[1], "protocol") == 0
           && std::any_of(argv + 2, argv + argc, [](const char* arg) { return std::strcmp(arg, "--pdf") == 0; });
}

} // namespace

int main(int argc, char* argv[])
{
    pleq::useExactStandardStreams();
    std::unique_ptr<QCoreApplication> app;
    if (needsGui(argc, argv)) {
        // pleq-cli shows no window: the offscreen platform needs no display
        // (a terminal over ssh, a cron job), unless the caller chose another.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("pleq-cli"));
    pleq::silenceSqlWarnings(); // the archive's messages say what went wrong, in Russian

    const std::map<QString, std::function<int(const QStringList&)>> commands = {
        {QStringLiteral("check"), pleq::cli::check},      {QStringLiteral("fill"), pleq::cli::fill},
        {QStringLiteral("calc"), pleq::cli::calc},        {QStringLiteral("protocol"), pleq::cli::protocol},
        {QStringLiteral("read"), pleq::cli::read},        {QStringLiteral("import"), pleq::cli::import},
        {QStringLiteral("export"), pleq::cli::exportCsv}, {QStringLiteral("archive"), pleq::cli::archive},
    };

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args.first() == QLatin1String("--help") || args.first() == QLatin1String("-h")) {
        pleq::cli::out(QString::fromUtf8(Usage));
        return args.isEmpty() ? 2 : 0;
    }
    if (args.first() == QLatin1String("--version")) {
        pleq::cli::out(QStringLiteral("pleq-cli " PLEQ_VERSION "\n"));
        return 0;
    }
    const auto command = commands.find(args.takeFirst());
    if (command == commands.end()) {
        pleq::cli::err(QString::fromUtf8(Usage));
        return 2;
    }
    try {
        return command->second(args);
    } catch (const pleq::Error& e) {
        return pleq::cli::fail(e.message());
    }
}
