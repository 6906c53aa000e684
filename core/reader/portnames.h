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

// Platform code (serialline_linux.cpp, serialline_windows.cpp):

// The serial devices present now. Linux: the device files (ttyS ones only with
// hardware behind them), for comPortDevice. Windows: \\.\COMn for each port
// the registry lists or the system names, by number.
QStringList existingSerialDevices();

// The device that the reader opens for COM + number. Linux: comPortDevice
// over the devices present. Windows: \\.\COMn for every number from 1 to
// 255, present or not (the open tells whether the port exists; \\.\ makes
// COM10 and above open too). Empty for a number that names no port.
QString serialDeviceOf(int number, const QStringList& existingDevices);

// A line naming the ports present, for the port dialog; empty where the device
// shown beside the number says enough (Linux).
QString serialPortsOverview(const QStringList& existingDevices);

} // namespace pleq
