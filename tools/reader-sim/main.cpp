// pleq-reader-sim: a plate reader on a pseudo-terminal, to train with Pleq or
// pleq-cli without the instrument.

#include "tools/reader-sim/readersim.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

pleq::sim::ReaderSimulator* g_simulator = nullptr;

void onSignal(int)
{
    if (g_simulator)
        g_simulator->requestStop();
}

const char* const Usage = "usage: pleq-reader-sim [options]\n"
                          "Serves a simulated plate reader on a pseudo-terminal and prints its device.\n"
                          "  --silent          take the commands, never answer\n"
                          "  --garbage         answer every command with bytes that are no reply\n"
                          "  --hang-up N       hang up the line after N data columns\n"
                          "  --split           send every reply in two parts, parted after its first byte,\n"
                          "                    the second once the program has read the first\n"
                          "  --split-at N      send every reply longer than N bytes in two parts, parted after byte N\n"
                          "  --merge           answer every \"X 0\" with two columns' replies at once\n"
                          "  --damage N        column N's reply loses the first decimal of its first density\n"
                          "  --paced           send byte by byte at 9600 baud, as a real line does\n"
                          "  --delay MS        wait MS milliseconds before every reply\n"
                          "  --turnaround MS   the reader's least time to answer (default 5)\n"
                          "  --seed N          another plate of densities\n"
                          "  --link PATH       also make PATH a symbolic link to the device\n"
                          "Stops on Ctrl+C and prints what it received.\n";

} // namespace

int main(int argc, char* argv[])
{
    pleq::sim::Options options;
    std::string link;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n%s", arg.c_str(), Usage);
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--silent") {
            options.mode = pleq::sim::Options::Mode::Silent;
        } else if (arg == "--garbage") {
            options.mode = pleq::sim::Options::Mode::Garbage;
        } else if (arg == "--hang-up") {
            options.mode = pleq::sim::Options::Mode::HangUp;
            options.hangUpAfterColumns = std::atoi(value());
        } else if (arg == "--split") {
            options.splitAt = 1;
        } else if (arg == "--split-at") {
            options.splitAt = std::atoi(value());
        } else if (arg == "--merge") {
            options.mergeColumns = true;
        } else if (arg == "--damage") {
            options.damageColumn = std::atoi(value());
        } else if (arg == "--paced") {
            options.paced = true;
        } else if (arg == "--delay") {
            options.replyDelayMs = std::atoi(value());
        } else if (arg == "--turnaround") {
            options.turnaroundMs = std::atoi(value());
        } else if (arg == "--seed") {
            options.seed = unsigned(std::strtoul(value(), nullptr, 10));
        } else if (arg == "--link") {
            link = value();
        } else {
            std::fputs(Usage, arg == "--help" || arg == "-h" ? stdout : stderr);
            return arg == "--help" || arg == "-h" ? 0 : 2;
        }
    }

    try {
        pleq::sim::ReaderSimulator simulator(options);
        g_simulator = &simulator;
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        if (!link.empty()) {
            ::unlink(link.c_str());
            if (::symlink(simulator.devicePath().c_str(), link.c_str()) != 0)
                std::perror("symlink");
        }
        std::printf("%s\n", simulator.devicePath().c_str());
        std::fflush(stdout);
        simulator.run();
        g_simulator = nullptr;
        if (!link.empty())
            ::unlink(link.c_str());
        const auto commands = simulator.commands();
        std::fprintf(stderr, "commands=%zu x0=%zu delay_us=%lld%s\n", commands.size(),
                     size_t(std::count(commands.begin(), commands.end(), std::string("X 0"))),
                     static_cast<long long>(simulator.delayMicroseconds()), simulator.hungUp() ? " hung-up" : "");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pleq-reader-sim: %s\n", e.what());
        return 1;
    }
    return 0;
}
