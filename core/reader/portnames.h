#pragma once

#include <QString>
#include <QStringList>

namespace pleq {

// "COM" + the number in decimal: the port's name in every message, whatever
// device file it stands for on this system.
QString comPortName(int number);

// The device file that "COM" + number names. The serial devices that exist are
// numbered in a fixed order: /dev/ttyS0, ttyS1, ... (only those with a UART
// behind them), then /dev/ttyUSB0, ..., then /dev/ttyACM0, ..., each family by
// its own number; the first is COM1. COM0 and numbers past the end name no
// device: the result is empty. Paths of other kinds in the list are ignored.
QString comPortDevice(int number, const QStringList& existingDevices);

// The serial device files present now (ttyS ones only with hardware behind
// them), for comPortDevice. Platform code: serialline_linux.cpp.
QStringList existingSerialDevices();

} // namespace pleq
