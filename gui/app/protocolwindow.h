#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

namespace pleq {

// The protocol in a window of its own, for a desktop that cannot open
// result.txt: read-only, in the protocol's monospace font, with "Печать ..."
// and "Сохранить как PDF ...".
class ProtocolWindow : public QDialog
{
    Q_OBJECT
public:
    explicit ProtocolWindow(QWidget* parent = nullptr);

    void setLines(const QStringList& lines);
    const QStringList& lines() const { return m_lines; }

private:
    QStringList m_lines;
    QPlainTextEdit* m_text = nullptr;
};

// "Печать ...": the lines through the print dialog. Throws Error.
void printProtocol(QWidget* parent, const QStringList& lines);
// "Сохранить как PDF ...": asks for a file name and writes the PDF there
// (".pdf" added when the name has no suffix). Throws Error.
void saveProtocolPdf(QWidget* parent, const QStringList& lines);

} // namespace pleq
