#include "docstest.h"

#include "core/files/fileio.h"

#include <QFile>

#ifndef _WIN32
#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace pleq::test {

QByteArray readFixture(const QString& name)
{
    QFile file(QStringLiteral(PLEQ_FIXTURES "/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return file.readAll();
}

QString firstDifference(const QByteArray& actual, const QByteArray& expected)
{
    const QList<QByteArray> a = actual.split('\n');
    const QList<QByteArray> e = expected.split('\n');
    if (a.size() != e.size())
        return QStringLiteral("%1 lines instead of %2").arg(a.size() - 1).arg(e.size() - 1);
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.at(i) != e.at(i))
            return QStringLiteral("line %1 differs:\n  got      \"%2\"\n  expected \"%3\"")
                .arg(i + 1)
                .arg(files::fromWindows1251(a.at(i)), files::fromWindows1251(e.at(i)));
    }
    return {};
}

#ifdef _WIN32

// Under Wine the program is the Unix user that runs Wine: no other user to be,
// no file size limit. The tests leave those faults out there (FaultsAvailable).
int runUnprivileged(const std::function<int()>& work)
{
    return work();
}

FileSizeLimit::FileSizeLimit(long)
{
}

FileSizeLimit::~FileSizeLimit()
{
}

#else

int runUnprivileged(const std::function<int()>& work)
{
    if (geteuid() != 0)
        return work();
    const pid_t child = fork();
    if (child < 0)
        return 127;
    if (child == 0) {
        // nobody/nogroup: the folders the test made for root are not theirs.
        const gid_t nogroup = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(nogroup) != 0 || setuid(65534) != 0)
            _exit(126);
        _exit(work());
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 125;
    return WEXITSTATUS(status);
}

FileSizeLimit::FileSizeLimit(long bytes)
{
    std::signal(SIGXFSZ, SIG_IGN); // the write then fails with EFBIG instead
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_previous = limit.rlim_cur;
    limit.rlim_cur = rlim_t(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_previous);
    setrlimit(RLIMIT_FSIZE, &limit);
}

#endif

} // namespace pleq::test
