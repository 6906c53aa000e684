#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

// A fresh pseudo-terminal in its default (cooked) settings, as a serial line
// that a test drives from the master side.
struct PtyPair {
    int master = -1;
    int slave = -1; // kept open to look at the line settings
    QString path;

    PtyPair()
    {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = QString::fromLocal8Bit(name);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair()
    {
        closeMaster();
        if (slave >= 0)
            ::close(slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }

    bool write(const QByteArray& bytes) const
    {
        qsizetype at = 0;
        while (at < bytes.size()) {
            const ssize_t n = ::write(master, bytes.constData() + at, size_t(bytes.size() - at));
            if (n > 0) {
                at += n;
            } else {
                pollfd out = {master, POLLOUT, 0};
                if (::poll(&out, 1, 2000) <= 0)
                    return false;
            }
        }
        return true;
    }

    // What the port sent, waiting up to timeoutMs for `count` bytes.
    QByteArray read(qsizetype count, int timeoutMs = 2000) const
    {
        QByteArray bytes;
        char buffer[512];
        while (bytes.size() < count) {
            pollfd in = {master, POLLIN, 0};
            if (::poll(&in, 1, timeoutMs) <= 0)
                break;
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            bytes.append(buffer, n);
        }
        return bytes;
    }
};
