#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace pleq {

class Project;

// The protocol as the viewer shows it: its Windows-1251 bytes decoded, one
// string per line, without line ends. Throws Error as protocolBytes does.
QStringList protocolTextLines(const Project& project);
// The same of protocol bytes already written (an archived run's).
QStringList protocolTextLines(const QByteArray& protocol);

// One printed page of the protocol: its lines and the footer under them.
struct ProtocolPage {
    QStringList lines;
    QString footer; // "Стр. 2 из 3"
};

// The protocol cut into pages of at most `linesPerPage` lines (at least
// one), breaking between lines only; an empty protocol is one empty page.
QList<ProtocolPage> protocolPages(const QStringList& lines, int linesPerPage);

} // namespace pleq
