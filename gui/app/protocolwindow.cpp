#include "gui/app/protocolwindow.h"

#include "gui/app/dialogs.h"
#include "core/model/errors.h"
#include "print/protocolprint.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pleq {

ProtocolWindow::ProtocolWindow(QWidget* parent)
    : QDialog(parent, Qt::Window)
{
    setObjectName(QStringLiteral("protocolWindow"));
    setWindowTitle(QStringLiteral("Протокол"));

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("protocol.text"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* print = new QPushButton(QStringLiteral("Печать ..."), this);
    print->setObjectName(QStringLiteral("protocol.print"));
    connect(print, &QPushButton::clicked, this, [this] { runCommand(this, [this] { printProtocol(this, m_lines); }); });
    auto* pdf = new QPushButton(QStringLiteral("Сохранить как PDF ..."), this);
    pdf->setObjectName(QStringLiteral("protocol.pdf"));
    connect(pdf, &QPushButton::clicked, this, [this] { runCommand(this, [this] { saveProtocolPdf(this, m_lines); }); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(print);
    buttons->addWidget(pdf);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(buttons);
    resize(900, 700);
}

void ProtocolWindow::setLines(const QStringList& lines)
{
    m_lines = lines;
    // The printed protocol's font; a text it cannot show still shows in the
    // desktop's fixed font, and printing it names the character.
    QFont font;
    try {
        font = protocolFont(lines);
        font.setPointSize(10);
    } catch (const Error&) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    }
    m_text->setFont(font);
    m_text->setPlainText(lines.join(QLatin1Char('\n')));
}

void printProtocol(QWidget* parent, const QStringList& lines)
{
    protocolFont(lines); // refused before the dialog, not after it
    Dialogs::get().print(parent, [&](QPagedPaintDevice& device) { paintProtocol(device, lines); });
}

void saveProtocolPdf(QWidget* parent, const QStringList& lines)
{
    QString name = Dialogs::get().saveFileName(parent, QStringLiteral("Файлы PDF (*.pdf)"));
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".pdf");
    writeProtocolPdf(lines, name);
}

} // namespace pleq
