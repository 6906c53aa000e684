#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QComboBox;
class QLabel;

namespace pleq {

class ReaderLink;

// PortDialog, "Настройка ридера": the number of the port the reader link opens.
// The list of numbers is rebuilt at every showing; typed characters are
// discarded, so the number comes from the list. Beside the list it shows the
// device the chosen number stands for on this computer, and on Windows a line
// naming the ports the system has.
class PortDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PortDialog(ReaderLink& link, QWidget* parent = nullptr);

    // The serial devices present (tests give their own); asked at each showing.
    void setDeviceLister(std::function<QStringList()> lister) { m_listDevices = std::move(lister); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillPortList();
    void acceptPortNumber();
    void showDevice();

    ReaderLink& m_link;
    QComboBox* m_portBox = nullptr;
    QLabel* m_device = nullptr;
    QLabel* m_overview = nullptr;
    std::function<QStringList()> m_listDevices;
    QStringList m_devices;
};

} // namespace pleq
