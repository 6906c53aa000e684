#include "gui/reader/logwindow.h"

#include "core/model/project.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace pleq {

TForm5::TForm5(Project& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
{
    setObjectName(QStringLiteral("TForm5"));
    setWindowTitle(QStringLiteral("Form5"));
    resize(782, 448);

    m_memRead1 = new QPlainTextEdit(this);
    m_memRead1->setObjectName(QStringLiteral("memRead1"));
    // Lines are only ever appended, by the reader link and the kit 05 calculation.
    m_memRead1->setReadOnly(true);
    m_memRead1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memRead1->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_memRead1);

    for (const QString& line : m_project.readerLog())
        m_memRead1->appendPlainText(line);
    connect(&m_project, &Project::logAppended, m_memRead1, &QPlainTextEdit::appendPlainText);
}

} // namespace pleq
