#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace pleq::test {

QByteArray readFixture(const QString& name);

// Compares two CR LF texts: the line counts first (so lost or extra lines are
// never hidden), then the first differing line. Empty when equal.
QString firstDifference(const QByteArray& actual, const QByteArray& expected);

// Whether the two faults below can be made here: on Linux; not on Windows
// under Wine, where the tests leave them out.
#ifdef _WIN32
inline constexpr bool FaultsAvailable = false;
#else
inline constexpr bool FaultsAvailable = true;
#endif

// Runs `work` as an unprivileged user when the test runs as root (CI does),
// where a read-only folder would still be writable; otherwise in-process.
// Returns what `work` returns (a failure code of the caller's choosing).
int runUnprivileged(const std::function<int()>& work);

// While alive, a file written by this process cannot grow past `bytes`:
// writes beyond fail as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long long m_previous = 0;
};

} // namespace pleq::test
