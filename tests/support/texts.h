#pragma once

#include "core/files/fileio.h"
#include "core/model/errors.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>

namespace pleq::test {

// The bytes of a file, or "(missing)" when it cannot be read.
inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// The message of the Error `work` throws, or "no error".
inline QString errorOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("no error");
}

// The lines of a Windows-1251 CR LF text (the protocol, result.txt), without
// the empty piece after its last CR LF.
inline QStringList windows1251Lines(const QByteArray& bytes)
{
    QStringList lines = files::fromWindows1251(bytes).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The lines without the blank ones at their end (pdftotext pads a page).
inline QStringList withoutTrailingBlankLines(QStringList lines)
{
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace pleq::test
