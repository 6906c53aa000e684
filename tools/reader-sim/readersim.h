#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pleq::sim {

// A plate reader on a pseudo-terminal, for training and tests. It takes the
// commands framed text, LF, CR and answers them as the reader does: every reply
// begins with a status character and CR LF ("0" CR LF "OK" CR LF to "E"),
// "OK" CR LF acknowledges "J n" and "Z", and each "X 0" after "Z" fetches the
// next column of the plate (status, CR LF, the eight densities of the column
// each after a blank, CR LF), the last column followed by "OK" CR LF; further
// "X 0" are acknowledged.
struct Options {
    enum class Mode {
        Normal,
        Silent,  // takes the commands, never answers
        Garbage, // answers every command with bytes that are no reply
        HangUp,  // hangs up the line after hangUpAfterColumns data columns
    };
    Mode mode = Mode::Normal;
    // Each reply longer than splitAt bytes in two writes, parted after byte
    // splitAt (0: whole); the second once the program has taken the first, so
    // that the two always arrive as two chunks.
    int splitAt = 0;
    bool mergeColumns = false; // each "X 0" answered with two columns' replies in one write
    int damageColumn = 0;      // that column's reply loses the first decimal of its first density
    bool paced = false;        // bytes one at a time at the line's rate
    int baud = 9600;
    int replyDelayMs = 0; // before each reply, on top of the turnaround
    // A reader answers no sooner than its command has crossed the line (a
    // character time per byte) and it has taken a moment to act on it; the
    // pseudo-terminal hands the command over at once, so this is waited for.
    int turnaroundMs = 5;
    int hangUpAfterColumns = 6;
    unsigned seed = 1; // the plate's densities
};

// The density the simulated reader measures in a well, five characters
// "d.ddd" (col 1..12, row 1..8).
std::string plateValue(int col, int row, unsigned seed);

class ReaderSimulator
{
public:
    // Opens a pseudo-terminal in its default settings. Throws std::runtime_error.
    explicit ReaderSimulator(Options options = {});
    ~ReaderSimulator();
    ReaderSimulator(const ReaderSimulator&) = delete;
    ReaderSimulator& operator=(const ReaderSimulator&) = delete;

    // The terminal end that a program opens as its serial port.
    const std::string& devicePath() const { return m_devicePath; }

    // Serves on a thread of its own until stop() or the destructor.
    void start();
    void stop();
    // Serves on the calling thread until stop() (from another thread or a
    // signal handler through requestStop) or a hang-up.
    void run();
    // Async-signal-safe stop request for run().
    void requestStop();

    // Every byte received, in order, and the commands taken from them.
    std::string received() const;
    std::vector<std::string> commands() const;
    // Time the simulator spent on purpose before and while answering: reply
    // delays and byte pacing, in microseconds.
    std::int64_t delayMicroseconds() const { return m_delayUs.load(); }
    bool hungUp() const { return m_hungUp.load(); }

private:
    void handle(const std::string& command);
    std::string columnReply(int col) const;
    void reply(const std::string& bytes);
    void send(const char* data, size_t size);
    bool sleepFor(std::int64_t microseconds); // false when stopped meanwhile
    bool waitUntilTaken();                    // false when stopped meanwhile
    void hangUp();

    Options m_options;
    int m_master = -1;
    int m_slave = -1; // held open so the line never hangs up between clients
    int m_stopPipe[2] = {-1, -1};
    std::string m_devicePath;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::string m_received;
    std::vector<std::string> m_commands;
    std::string m_line;

    int m_columns = 12;
    int m_nextColumn = 0;
    bool m_measured = false;
    std::uint32_t m_random = 12345;
    std::atomic<std::int64_t> m_delayUs{0};
    std::atomic<bool> m_hungUp{false};
};

} // namespace pleq::sim
