#pragma once

#include <QString>

namespace pleq {

// The login name of the account the program runs under, for the archive's
// record of who stored a run; empty when the system names none. Platform
// code: account_linux.cpp (the password database), account_windows.cpp.
QString accountName();

} // namespace pleq
