#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>

namespace pleq::test {

// poppler's tools are Linux programs: under Wine a Windows test starts them
// but cannot wait for them, so a PDF's text is read on Linux only.
#ifdef Q_OS_WIN
inline constexpr bool PdfTextReadable = false;
#else
inline constexpr bool PdfTextReadable = true;
#endif
#define PDF_TEXT_UNREADABLE_REASON                                                                                     \
    "The PDF's text is read by poppler's Linux tools, which a Windows test cannot wait for"

inline QString runPdftotext(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The character pitch of a PDF set in one monospace font, measured on the
// longest word of its first page (its width over its length), in points.
inline double pdfPitch(const QString& path)
{
    const QString boxes = runPdftotext({QStringLiteral("-bbox-layout"), QStringLiteral("-f"), QStringLiteral("1"),
                                        QStringLiteral("-l"), QStringLiteral("1"), path, QStringLiteral("-")});
    static const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"));
    double pitch = 0;
    qsizetype longest = 0;
    for (const QRegularExpressionMatch& m : word.globalMatch(boxes)) {
        QString text = m.captured(3);
        for (const auto& [entity, plain] :
             {std::pair{"&quot;", "\""}, {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&apos;", "'"}})
            text.replace(QLatin1String(entity), QLatin1String(plain));
        if (text.size() > longest) {
            longest = text.size();
            pitch = (m.captured(2).toDouble() - m.captured(1).toDouble()) / double(text.size());
        }
    }
    return pitch;
}

// The text of a monospace PDF as poppler's `pdftotext -layout` extracts it at
// the font's own pitch (so that each character keeps its column), one entry
// per page: lines with trailing blanks removed, the blank lines at a page's
// end dropped and the page margin's blank columns taken off. Empty when
// pdftotext fails.
inline QList<QStringList> pdfPages(const QString& path)
{
    const double pitch = pdfPitch(path);
    if (pitch <= 0)
        return {};
    QStringList pages =
        runPdftotext({QStringLiteral("-layout"), QStringLiteral("-fixed"), QString::number(pitch, 'f', 6),
                      QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")})
            .split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast(); // after the last page's form feed
    QList<QStringList> result;
    qsizetype margin = -1;
    for (const QString& page : pages) {
        QStringList lines = page.split(QLatin1Char('\n'));
        for (QString& line : lines) {
            while (line.endsWith(QLatin1Char(' ')))
                line.chop(1);
            if (!line.isEmpty()) {
                const qsizetype indent = line.size() - line.trimmed().size();
                margin = margin < 0 ? indent : std::min(margin, indent);
            }
        }
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        result.append(lines);
    }
    for (QStringList& lines : result) {
        for (QString& line : lines)
            line.remove(0, std::max<qsizetype>(0, margin));
    }
    return result;
}

// Lines with trailing blanks removed, to compare with pdfPages.
inline QStringList rightTrimmed(QStringList lines)
{
    for (QString& line : lines) {
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
    }
    return lines;
}

} // namespace pleq::test
