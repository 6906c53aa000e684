#include "gui/reader/readerlogwindow.h"

#include "core/model/project.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace pleq {

ReaderLogWindow::ReaderLogWindow(Project& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
{
    setObjectName(QStringLiteral("readerLogWindow"));
    setWindowTitle(QStringLiteral("Обмен с ридером"));
    resize(782, 448);

    m_logView = new QPlainTextEdit(this);
    m_logView->setObjectName(QStringLiteral("readerLog.lines"));
    // Lines are only ever appended, by the reader link and the kit 05 calculation.
    m_logView->setReadOnly(true);
    m_logView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_logView->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_logView);

    for (const QString& line : m_project.readerLog())
        m_logView->appendPlainText(line);
    connect(&m_project, &Project::logAppended, m_logView, &QPlainTextEdit::appendPlainText);
}

} // namespace pleq
