#include "gui/layout/propwindow.h"

#include "core/kits/catalogue.h"
#include "gui/app/dialogs.h"
#include "core/model/operations.h"
#include "core/model/project.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>

namespace pleq {

TProp::TProp(Project& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
{
    setObjectName(QStringLiteral("TProp"));
    setWindowTitle(QStringLiteral("Параметры проекта"));

    auto* label1 = new QLabel(QStringLiteral("Исполнитель:"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    m_ispName = new QLineEdit(this);
    m_ispName->setObjectName(QStringLiteral("IspName"));
    auto* label2 = new QLabel(QStringLiteral("Название набора:"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_naborName = new QComboBox(this);
    m_naborName->setObjectName(QStringLiteral("NaborName"));
    m_naborName->addItems(kitRows());
    // Typing never selects a kit: the kit is chosen with the mouse or the arrow keys.
    m_naborName->installEventFilter(this);
    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatusBar1"));
    statusBar->setSizeGripEnabled(false);

    label1->setBuddy(m_ispName);
    label2->setBuddy(m_naborName);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 0);
    layout->setSpacing(2);
    layout->addWidget(label1);
    layout->addWidget(m_ispName);
    layout->addWidget(label2);
    layout->addWidget(m_naborName);
    layout->addWidget(statusBar);
    setMinimumWidth(509);
    setFixedHeight(96 + 20);

    showProject();
    connect(m_ispName, &QLineEdit::textEdited, &m_project, &Project::setExecutor);
    connect(m_naborName, &QComboBox::currentIndexChanged, this, &TProp::NaborNameChange);
    connect(&m_project, &Project::settingsChanged, this, &TProp::showProject);
    // No other kit while the reader fills the plate.
    connect(&m_project, &Project::plateLockChanged, m_naborName, &QWidget::setDisabled);
}

void TProp::NaborNameChange(int index)
{
    if (index >= 0 && index < KitCount)
        runCommand(this, [&] { changeKit(m_project, Kit(index)); });
}

void TProp::showProject()
{
    if (m_ispName->text() != m_project.executor())
        m_ispName->setText(m_project.executor());
    const QSignalBlocker blocker(m_naborName);
    m_naborName->setCurrentIndex(m_project.kitIndex());
}

bool TProp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_naborName && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->text().isEmpty() && key->text().at(0).isPrint())
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pleq
