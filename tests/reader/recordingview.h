#pragma once

#include "core/model/project.h"
#include "core/reader/acquisition.h"

#include <QStringList>

// Records what the acquisition showed, and strips the time of day off the log.
struct RecordingView : pleq::ReaderView {
    QStringList shown;
    void showConnection(bool established) override
    {
        shown << (established ? QStringLiteral("Установлено") : QStringLiteral("Нет"));
    }
    void showAcquiring(bool running) override
    {
        shown << (running ? QStringLiteral("running") : QStringLiteral("idle"));
    }
};

// The fixed time of day every test log line carries.
inline QTime testTime()
{
    return QTime(14, 5, 9);
}

// The log lines' messages, checking that each begins with the time of day.
inline QStringList logMessages(const pleq::Project& project, bool* allTimed = nullptr)
{
    const QString time = pleq::logTimeText(testTime());
    QStringList messages;
    bool timed = true;
    for (const QString& line : project.readerLog()) {
        timed = timed && line.startsWith(time);
        messages << line.mid(time.size());
    }
    if (allTimed)
        *allTimed = timed;
    return messages;
}
