#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>

namespace pleq::test {

// Runs one of poppler's tools (pdftotext, pdffonts) on the PDF at `path`,
// `path` standing for the place of the PDF in `args`; its standard output
// as UTF-8, empty when the tool fails. Under Wine the tools are the Linux
// ones on drive Z:, which read Unix paths: they are given a copy of the PDF
// in a folder on Z:.
inline QString runPdfTool(const QString& tool, QStringList args, const QString& path)
{
#ifdef Q_OS_WIN
    QTemporaryDir unixDir(QStringLiteral("Z:/tmp/pleq-pdf-XXXXXX"));
    const QString copy = unixDir.filePath(QStringLiteral("document.pdf"));
    if (!unixDir.isValid() || !QFile::copy(path, copy))
        return {};
    const QString program = QStringLiteral("Z:/usr/bin/") + tool;
    args.replaceInStrings(QRegularExpression(QStringLiteral("^%1$").arg(QRegularExpression::escape(path))),
                          copy.mid(2)); // without "Z:"
#else
    const QString program = tool;
#endif
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

inline QString runPdftotext(const QStringList& args, const QString& path)
{
    return runPdfTool(QStringLiteral("pdftotext"), args, path);
}

// The character pitch of a PDF set in one monospace font, measured on the
// longest word of its first page (its width over its length), in points.
inline double pdfPitch(const QString& path)
{
    const QString boxes = runPdftotext({QStringLiteral("-bbox-layout"), QStringLiteral("-f"), QStringLiteral("1"),
                                        QStringLiteral("-l"), QStringLiteral("1"), path, QStringLiteral("-")},
                                       path);
    static const QRegularExpression word(QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"));
    double pitch = 0;
    qsizetype longest = 0;
    for (const QRegularExpressionMatch& m : word.globalMatch(boxes)) {
        QString text = m.captured(3);
        for (const auto& [entity, plain] : {std::pair{"&quot;", "\""}, {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&apos;", "'"}})
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
    QStringList pages = runPdftotext({QStringLiteral("-layout"), QStringLiteral("-fixed"), QString::number(pitch, 'f', 6),
                                      QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")},
                                     path)
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
