#pragma once

#include <QFont>
#include <QPageLayout>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;

namespace pleq {

// The protocol on paper and in PDF: its own text line for line in one pinned
// monospace font, so that every column lines up whatever fonts the desktop
// has. Loaded by file, never by fontconfig's choice of family: Debian's
// DejaVu Sans Mono, or on Windows the copy installed beside the program.
QString protocolFontFile();

// A4 portrait with margins of 15 mm: the PDF's page and the printer's default.
QPageLayout protocolPageLayout();

// The pinned font from `fontFile`, checked to be monospace and to hold every
// character of `lines`. Throws Error naming the file, or the character and
// its line, otherwise. Needs a QGuiApplication.
QFont protocolFont(const QStringList& lines, const QString& fontFile = protocolFontFile());

// Paints the protocol on the device's pages (a printer or a PDF writer): the
// lines top down in the pinned font, sized so that the widest line fits the
// page width (10 pt at most), page breaks between lines only, "Стр. N из M"
// centred at the foot of every page. Throws Error as protocolFont does, or
// when the device cannot be painted on.
void paintProtocol(QPagedPaintDevice& device, const QStringList& lines, const QString& fontFile = protocolFontFile());

// The protocol as an A4 PDF file, written atomically (an earlier file stays
// on any error). Throws Error.
void writeProtocolPdf(const QStringList& lines, const QString& path, const QString& fontFile = protocolFontFile());

} // namespace pleq
