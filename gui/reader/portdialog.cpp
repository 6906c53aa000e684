#include "gui/reader/portdialog.h"

#include "gui/app/dialogs.h"
#include "core/model/errors.h"
#include "core/model/project.h"
#include "core/reader/portnames.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pleq {

TForm7::TForm7(Project& project, QWidget* parent)
    : QDialog(parent)
    , m_project(project)
    , m_listDevices(existingSerialDevices)
{
    setObjectName(QStringLiteral("TForm7"));
    setWindowTitle(QStringLiteral("Настройка ридера"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    auto* label1 = new QLabel(QStringLiteral("Номер порта"), this);
    label1->setObjectName(QStringLiteral("Label1"));

    m_portN = new QComboBox(this);
    m_portN->setObjectName(QStringLiteral("PortN"));
    m_portN->setEditable(true);
    m_portN->setInsertPolicy(QComboBox::NoInsert);
    m_portN->setFixedWidth(57);
    m_portN->installEventFilter(this);
    m_portN->lineEdit()->installEventFilter(this);
    connect(m_portN, &QComboBox::currentTextChanged, this, &TForm7::showDevice);

    // Which device file the number stands for, by the port-name rule.
    m_device = new QLabel(this);
    m_device->setObjectName(QStringLiteral("PortDevice"));
    m_device->setToolTip(QStringLiteral("COM1, COM2, ... — /dev/ttyS*, затем /dev/ttyUSB*, затем /dev/ttyACM*"));

    auto* label2 = new QLabel(QStringLiteral("Скорость порта: 9600"), this);
    label2->setObjectName(QStringLiteral("Label2"));

    auto* button1 = new QPushButton(QStringLiteral("Принять"), this);
    button1->setObjectName(QStringLiteral("Button1"));
    button1->setDefault(true);
    connect(button1, &QPushButton::clicked, this, &TForm7::Button1Click);

    auto* button2 = new QPushButton(QStringLiteral("Отмена"), this);
    button2->setObjectName(QStringLiteral("Button2"));
    connect(button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    grid->addWidget(label1, 0, 0);
    grid->addWidget(m_portN, 0, 1);
    grid->addWidget(m_device, 0, 2, 1, 2);
    grid->addWidget(label2, 1, 0, 1, 2);
    grid->addWidget(button1, 1, 2);
    grid->addWidget(button2, 1, 3);
    // Not resizable; at least 253 x 59, larger where the fonts need it.
    grid->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumSize(253, 59);
}

void TForm7::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TForm7::FormShow()
{
    m_devices = m_listDevices ? m_listDevices() : QStringList();
    m_portN->clear();
    QStringList numbers;
    numbers.reserve(256);
    for (int n = 0; n < 256; ++n)
        numbers.append(QString::number(n));
    m_portN->addItems(numbers);
    m_portN->setEditText(QString::number(m_project.portNumber()));
    showDevice();
}

void TForm7::Button1Click()
{
    runCommand(this, [this] {
        m_project.setPortNumber(toInt(m_portN->currentText()));
        accept();
    });
}

void TForm7::showDevice()
{
    bool ok = false;
    const int number = m_portN->currentText().toInt(&ok);
    const QString device = ok ? comPortDevice(number, m_devices) : QString();
    m_device->setText(device.isEmpty() ? QStringLiteral("нет устройства") : device);
}

bool TForm7::eventFilter(QObject* watched, QEvent* event)
{
    // Every typed character is discarded; keys that type nothing (Delete,
    // the arrows) and the dialog's own keys still work.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Delete:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            break;
        default:
            if (!key->text().isEmpty())
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace pleq
