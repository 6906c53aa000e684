#include "core/archive/account.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace pleq {

QString accountName()
{
    wchar_t name[257];
    DWORD length = 257;
    if (!::GetUserNameW(name, &length) || length == 0)
        return {};
    return QString::fromWCharArray(name, int(length) - 1); // the length counts the final null
}

} // namespace pleq
