#include "core/files/fileio.h"

#include "core/model/errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>

namespace pleq::files {

namespace {

// The messages the user knows from the file commands, where the system's
// reason is one of them; any other reason is shown in the system's words.
QString fileError(const QString& systemText)
{
    if (systemText == qt_error_string(ENOENT))
        return QStringLiteral("File not found");
    if (systemText == qt_error_string(EACCES) || systemText == qt_error_string(EPERM)
        || systemText == qt_error_string(EROFS))
        return QStringLiteral("File access denied");
    return systemText;
}

} // namespace

QByteArray readFile(const QString& path, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!QFileInfo::exists(path))
            throw Error(QStringLiteral("File not found"));
        throw Error(fileError(file.errorString()));
    }
    QByteArray bytes;
    for (;;) {
        const QByteArray chunk = file.read(64 * 1024);
        if (file.error() != QFileDevice::NoError)
            throw Error(fileError(file.errorString()));
        if (chunk.isEmpty())
            return bytes;
        bytes += chunk;
        if (bytes.size() > limit)
            throw Error(QStringLiteral("The file is larger than %1 bytes").arg(limit));
    }
}

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Unbuffered: a buffered QFileDevice takes a short write at a full disk for
    // success and commits the truncated file. Written directly, the short write
    // shows, and writing on brings the system's reason.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // QSaveFile words a read-only target its own way.
        const QFileInfo target(path);
        if (target.exists() && !target.isDir() && !target.isWritable())
            throw Error(QStringLiteral("File access denied"));
        throw Error(fileError(file.errorString()));
    }
    // QSaveFile discards the temporary file when it is destroyed uncommitted.
    for (qsizetype written = 0; written < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            throw Error(fileError(file.errorString()));
        written += qsizetype(n);
    }
    if (!file.commit())
        throw Error(fileError(file.errorString()));
}

QByteArray toWindows1251(const QString& text, char substitute, QString* firstUnrepresentable)
{
    // Most texts are plain ASCII, which the code page holds as it is.
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii)
        return text.toLatin1();
    QStringEncoder encoder("windows-1251");
    QByteArray bytes = encoder(text); // the error flag is set by this conversion
    if (!encoder.hasError())
        return bytes;
    // Again one code point at a time, to name the character and substitute it.
    bytes.clear();
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString c = text.mid(i, n);
        QStringEncoder single("windows-1251");
        const QByteArray b = single(c);
        if (single.hasError()) {
            if (firstUnrepresentable && firstUnrepresentable->isEmpty())
                *firstUnrepresentable = c;
            bytes += substitute;
        } else {
            bytes += b;
        }
        i += n;
    }
    return bytes;
}

QString fromWindows1251(const QByteArray& bytes)
{
    bool ascii = true;
    for (const char c : bytes)
        ascii = ascii && uchar(c) < 0x80;
    if (ascii)
        return QString::fromLatin1(bytes);
    QStringDecoder decoder("windows-1251");
    return decoder(bytes);
}

} // namespace pleq::files
