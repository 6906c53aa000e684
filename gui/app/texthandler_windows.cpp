// Windows: the program the user's file associations name for ".txt".

#include "gui/app/texthandler.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shlwapi.h>

namespace pleq {

bool textFileHandlerPresent()
{
    wchar_t program[MAX_PATH];
    DWORD length = MAX_PATH;
    return ::AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, L".txt", L"open", program, &length) == S_OK
           && length > 1;
}

} // namespace pleq
