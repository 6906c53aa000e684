#include "gui/reader/portdialog.h"

#include "gui/app/dialogs.h"
#include "core/model/errors.h"
#include "core/reader/acquisition.h"
#include "core/reader/portnames.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pleq {

PortDialog::PortDialog(ReaderLink& link, QWidget* parent)
    : QDialog(parent)
    , m_link(link)
    , m_listDevices(existingSerialDevices)
{
    setObjectName(QStringLiteral("portDialog"));
    setWindowTitle(QStringLiteral("Настройка ридера"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    auto* portLabel = new QLabel(QStringLiteral("Номер порта"), this);
    portLabel->setObjectName(QStringLiteral("portDialog.portLabel"));

    m_portBox = new QComboBox(this);
    m_portBox->setObjectName(QStringLiteral("portDialog.port"));
    m_portBox->setEditable(true);
    m_portBox->setInsertPolicy(QComboBox::NoInsert);
    m_portBox->setFixedWidth(57);
    m_portBox->installEventFilter(this);
    m_portBox->lineEdit()->installEventFilter(this);
    connect(m_portBox, &QComboBox::currentTextChanged, this, &PortDialog::showDevice);

    // Which device file the number stands for, by the port-name rule.
    m_device = new QLabel(this);
    m_device->setObjectName(QStringLiteral("portDialog.device"));
    m_device->setToolTip(QStringLiteral("COM1, COM2, ... — /dev/ttyS*, затем /dev/ttyUSB*, затем /dev/ttyACM*"));

    // Where the system lists its ports by name (Windows), which ones there are.
    m_overview = new QLabel(this);
    m_overview->setObjectName(QStringLiteral("portDialog.overview"));
    m_overview->hide();

    auto* speedLabel = new QLabel(QStringLiteral("Скорость порта: 9600"), this);
    speedLabel->setObjectName(QStringLiteral("portDialog.speed"));

    auto* acceptButton = new QPushButton(QStringLiteral("Принять"), this);
    acceptButton->setObjectName(QStringLiteral("portDialog.ok"));
    acceptButton->setDefault(true);
    connect(acceptButton, &QPushButton::clicked, this, &PortDialog::acceptPortNumber);

    auto* cancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    cancelButton->setObjectName(QStringLiteral("portDialog.cancel"));
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    grid->addWidget(portLabel, 0, 0);
    grid->addWidget(m_portBox, 0, 1);
    grid->addWidget(m_device, 0, 2, 1, 2);
    grid->addWidget(speedLabel, 1, 0, 1, 2);
    grid->addWidget(acceptButton, 1, 2);
    grid->addWidget(cancelButton, 1, 3);
    grid->addWidget(m_overview, 2, 0, 1, 4);
    // Not resizable; at least 253 x 59, larger where the fonts need it.
    grid->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumSize(253, 59);
}

void PortDialog::showEvent(QShowEvent* event)
{
    fillPortList();
    QDialog::showEvent(event);
}

void PortDialog::fillPortList()
{
    m_devices = m_listDevices ? m_listDevices() : QStringList();
    const QString overview = serialPortsOverview(m_devices);
    m_overview->setText(overview);
    m_overview->setVisible(!overview.isEmpty());
    if (!overview.isEmpty())
        m_device->setToolTip(overview);
    m_portBox->clear();
    QStringList numbers;
    numbers.reserve(256);
    for (int n = 0; n < 256; ++n)
        numbers.append(QString::number(n));
    m_portBox->addItems(numbers);
    m_portBox->setEditText(QString::number(m_link.portNumber()));
    showDevice();
}

void PortDialog::acceptPortNumber()
{
    runCommand(this, [this] {
        m_link.setPortNumber(toInt(m_portBox->currentText()));
        accept();
    });
}

void PortDialog::showDevice()
{
    bool ok = false;
    const int number = m_portBox->currentText().toInt(&ok);
    const QString device = ok ? serialDeviceOf(number, m_devices) : QString();
    // A port the system does not list may still open (Windows): shown as such.
    if (device.isEmpty())
        m_device->setText(QStringLiteral("нет устройства"));
    else if (m_devices.contains(device))
        m_device->setText(device);
    else
        m_device->setText(device + QStringLiteral(" (не найден)"));
}

bool PortDialog::eventFilter(QObject* watched, QEvent* event)
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
        case Qt::Key_Enter: break;
        default:
            if (!key->text().isEmpty())
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace pleq
