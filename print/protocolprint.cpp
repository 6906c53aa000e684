#include "print/protocolprint.h"

#include "core/files/fileio.h"
#include "core/files/protocolpages.h"
#include "core/model/errors.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>

#include <algorithm>
#include <cmath>

namespace pleq {

namespace {

constexpr qreal LargestPointSize = 10;
const QMarginsF PageMargins(15, 15, 15, 15); // millimetres

// The family the font file registers under, added once per file.
QString familyOf(const QString& fontFile)
{
    static QHash<QString, QString> families;
    const auto known = families.constFind(fontFile);
    if (known != families.constEnd())
        return *known;
    const int id = QFontDatabase::addApplicationFont(fontFile);
    const QStringList names = id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    if (names.isEmpty())
        throw Error(QStringLiteral("Шрифт протокола не найден или не читается: %1").arg(fontFile));
    families.insert(fontFile, names.first());
    return names.first();
}

QString describe(char32_t code)
{
    return QStringLiteral("«%1» (U+%2)")
        .arg(QString::fromUcs4(&code, 1),
             QString::number(uint(code), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

} // namespace

QString protocolFontFile()
{
    // A relative place is the program's folder's (the Windows installation).
    const QString file = QStringLiteral(PLEQ_PROTOCOL_FONT);
    return QFileInfo(file).isAbsolute() ? file : QCoreApplication::applicationDirPath() + QLatin1Char('/') + file;
}

QPageLayout protocolPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, PageMargins, QPageLayout::Millimeter);
}

QFont protocolFont(const QStringList& lines, const QString& fontFile)
{
    if (!QFileInfo::exists(fontFile))
        throw Error(QStringLiteral("Шрифт протокола не найден: %1").arg(fontFile));
    QFont font(familyOf(fontFile));
    font.setStyleHint(QFont::Monospace);
    // A character missing from the font must be refused, not drawn from another one.
    font.setStyleStrategy(QFont::NoFontMerging);
    font.setKerning(false);
    if (!QFontInfo(font).fixedPitch())
        throw Error(QStringLiteral("Шрифт протокола не моноширинный: %1").arg(fontFile));

    const QRawFont raw(fontFile, 12);
    if (!raw.isValid())
        throw Error(QStringLiteral("Шрифт протокола не читается: %1").arg(fontFile));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        for (const char32_t code : lines.at(i).toUcs4()) {
            if (!raw.supportsCharacter(code))
                throw Error(QStringLiteral("В шрифте %1 нет знака %2, строка %3 протокола")
                                .arg(fontFile, describe(code))
                                .arg(i + 1));
        }
    }
    return font;
}

void paintProtocol(QPagedPaintDevice& device, const QStringList& lines, const QString& fontFile)
{
    QFont font = protocolFont(lines, fontFile);
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QStringLiteral("Не удалось начать печать протокола"));

    // The widest line decides the size; the painter's origin is the top left
    // of the printable area inside the margins.
    const qreal width = device.width();
    const qreal height = device.height();
    font.setPointSizeF(LargestPointSize);
    qreal widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, QFontMetricsF(font, &device).horizontalAdvance(line));
    if (widest > width)
        font.setPointSizeF(LargestPointSize * width / widest * 0.98);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &device);
    const qreal step = metrics.lineSpacing();
    // Below the text a blank line, then the footer.
    const int linesPerPage = std::max(1, int(std::floor(height / step)) - 2);

    const QList<ProtocolPage> pages = protocolPages(lines, linesPerPage);
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (p > 0 && !device.newPage())
            throw Error(QStringLiteral("Не удалось начать страницу %1 протокола").arg(p + 1));
        qreal y = metrics.ascent();
        for (const QString& line : pages.at(p).lines) {
            painter.drawText(QPointF(0, y), line);
            y += step;
        }
        const QString& footer = pages.at(p).footer;
        painter.drawText(QPointF((width - metrics.horizontalAdvance(footer)) / 2, height - metrics.descent()), footer);
    }
    painter.end();
}

void writeProtocolPdf(const QStringList& lines, const QString& path, const QString& fontFile)
{
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("Протокол"));
        writer.setCreator(QStringLiteral("Pleq"));
        writer.setResolution(600);
        writer.setPageLayout(protocolPageLayout());
        paintProtocol(writer, lines, fontFile);
    }
    try {
        files::writeFileAtomically(path, bytes);
    } catch (const Error& e) {
        throw Error(QStringLiteral("Не удалось сохранить PDF %1: %2").arg(path, e.message()));
    }
}

} // namespace pleq
