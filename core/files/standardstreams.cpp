#include "core/files/standardstreams.h"

#ifdef _WIN32
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace pleq {

void useExactStandardStreams()
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // A console shows the UTF-8 bytes as text (its code page given back at
    // exit); a pipe or file takes them as they are.
    static const UINT consoleCodePage = ::GetConsoleOutputCP();
    if (consoleCodePage != 0 && consoleCodePage != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8))
        std::atexit([] { ::SetConsoleOutputCP(consoleCodePage); });
#endif
}

} // namespace pleq
