#pragma once

#include <QByteArray>
#include <QString>

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

// The collected data into the density table: the first "OK" and every blank
// removed, then five characters per well, column by column (A1, B1, ..., H12),
// written only into the wells that the plate layout uses; the characters of
// an empty well are consumed and its density text kept.
void parseReceivedData(const QString& receivedData, Project& project);

} // namespace pleq
