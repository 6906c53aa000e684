#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pleq {

class Project;

// The reader's command frame: the text, one byte per character, then LF, CR.
QByteArray commandFrame(const QString& text);

// A chunk's code string: the decimal value of every byte, joined without
// separators ("OK" CR LF gives "79751310"). Replies are recognised by it.
QString codeString(const QByteArray& chunk);

// A chunk's text: every byte as one character, except the first byte of the
// chunk and every CR and LF.
QString chunkText(const QByteArray& chunk);

enum class ReplyClass {
    Initialisation,  // "0" CR LF "OK" CR LF as one chunk
    Acknowledgement, // "OK" CR LF as one chunk
    Data,            // anything else
};
inline const QString InitialisationCode = QStringLiteral("48131079751310");
inline const QString AcknowledgementCode = QStringLiteral("79751310");
ReplyClass classify(const QByteArray& chunk);

// The densities of one plate as the reader sent them, or why they are refused.
struct ReaderPlate {
    QStringList densities; // 96 texts of five characters, A1, B1, ..., H12; empty when refused
    QString error;         // the user's message when refused
};

// The bytes the reader sent for a plate, read by the reader's framing, so that
// a reply split over chunks or merged with the next reads as when it comes
// whole: lines end at CR or LF; a line of one character is a reply's leading
// status character and is left out; the line "OK" ends the data, and what
// follows it is no data; every other line holds densities of five characters
// once its blanks are gone, column by column. Anything else is refused, never
// read by guess: no "OK" line, a line that is not a whole number of values,
// other than 96 values, a value the calculation cannot read.
ReaderPlate readPlate(const QByteArray& data);

// A plate's densities into the density table, only into the wells that the
// plate layout uses; the value of an empty well is dropped and its text kept.
void writeDensities(const QStringList& densities, Project& project);

} // namespace pleq
