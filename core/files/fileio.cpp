#include "core/files/fileio.h"

#include "core/model/errors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
        const QFileInfo info(path);
        if (!info.exists())
            throw Error(QStringLiteral("File not found"));
        // Linux's words on every system (Windows only says access is denied).
        if (info.isDir())
            throw Error(QStringLiteral("file to open is a directory"));
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
        // A folder on the way that is a file: Linux's words on every system
        // (Windows says the path is not found).
        const QFileInfo folder(QFileInfo(path).path());
        if (folder.exists() && !folder.isDir())
            throw Error(QStringLiteral("Not a directory"));
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

namespace {

// Windows-1251 above 0x7F, byte 0x80 first: the code page as the laboratory's
// files use it, held here so that every system converts alike (Qt on Windows
// has no converter for it). Every byte stands for one character, none twice.
constexpr char16_t HighHalf[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, // F8
};

// The byte of one character, or 0 when the code page has none.
char byteOf(char16_t c)
{
    if (c < 0x80)
        return char(c);
    for (int i = 0; i < 128; ++i) {
        if (HighHalf[i] == c)
            return char(0x80 + i);
    }
    return 0;
}

} // namespace

QByteArray toWindows1251(const QString& text, char substitute, QString* firstUnrepresentable)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        // A high surrogate goes with the unit after it: a character beyond the
        // code page's reach (one substitute for both units).
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const char16_t unit = text.at(i).unicode();
        const char b = n == 1 && !QChar::isSurrogate(unit) ? byteOf(unit) : 0;
        if (b != 0 || unit == 0) {
            bytes += b;
        } else {
            if (firstUnrepresentable && firstUnrepresentable->isEmpty())
                *firstUnrepresentable = text.mid(i, n);
            bytes += substitute;
        }
        i += n;
    }
    return bytes;
}

QString fromWindows1251(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const uchar b = uchar(c);
        *out++ = QChar(b < 0x80 ? char16_t(b) : HighHalf[b - 0x80]);
    }
    return text;
}

} // namespace pleq::files
