#include "gui/layout/projectwindow.h"

#include "core/kits/catalogue.h"
#include "core/model/project.h"
#include "gui/commands/windowedits.h"
#include "gui/commands/settingcommands.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>

namespace pleq {

ProjectWindow::ProjectWindow(EditStack& edits, QWidget* parent)
    : QWidget(parent)
    , m_edits(edits)
    , m_project(edits.project())
{
    setObjectName(QStringLiteral("projectWindow"));
    setWindowTitle(QStringLiteral("Параметры проекта"));

    auto* executorLabel = new QLabel(QStringLiteral("Исполнитель:"), this);
    executorLabel->setObjectName(QStringLiteral("project.executorLabel"));
    m_executorEdit = new QLineEdit(this);
    m_executorEdit->setObjectName(QStringLiteral("project.executor"));
    auto* kitLabel = new QLabel(QStringLiteral("Название набора:"), this);
    kitLabel->setObjectName(QStringLiteral("project.kitLabel"));
    m_kitBox = new QComboBox(this);
    m_kitBox->setObjectName(QStringLiteral("project.kit"));
    m_kitBox->addItems(kitRows());
    // Typing never selects a kit: the kit is chosen with the mouse or the arrow keys.
    m_kitBox->installEventFilter(this);
    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("project.statusBar"));
    statusBar->setSizeGripEnabled(false);

    executorLabel->setBuddy(m_executorEdit);
    kitLabel->setBuddy(m_kitBox);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 0);
    layout->setSpacing(2);
    layout->addWidget(executorLabel);
    layout->addWidget(m_executorEdit);
    layout->addWidget(kitLabel);
    layout->addWidget(m_kitBox);
    layout->addWidget(statusBar);
    setMinimumWidth(509);
    setFixedHeight(96 + 20);

    showProject();
    leaveUndoKeysToStack(m_executorEdit);
    connect(m_executorEdit, &QLineEdit::textEdited, this,
            [this](const QString& name) { runEdit(m_edits, this, std::make_unique<ExecutorEdit>(m_project, name)); });
    connect(m_kitBox, &QComboBox::currentIndexChanged, this, &ProjectWindow::chooseKit);
    connect(&m_project, &Project::settingsChanged, this, &ProjectWindow::showProject);
    // No other kit and no other executor while the reader fills the plate:
    // the project's edits are refused then.
    connect(&m_project, &Project::plateLockChanged, m_kitBox, &QWidget::setDisabled);
    connect(&m_project, &Project::plateLockChanged, m_executorEdit, &QWidget::setDisabled);
}

void ProjectWindow::chooseKit(int index)
{
    if (index >= 0 && index < KitCount)
        runEdit(m_edits, this, std::make_unique<KitChoice>(m_project, Kit(index)));
}

void ProjectWindow::showProject()
{
    if (m_executorEdit->text() != m_project.executor())
        m_executorEdit->setText(m_project.executor());
    const QSignalBlocker blocker(m_kitBox);
    m_kitBox->setCurrentIndex(m_project.kitIndex());
}

bool ProjectWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_kitBox && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->text().isEmpty() && key->text().at(0).isPrint())
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pleq
