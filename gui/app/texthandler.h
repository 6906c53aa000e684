#pragma once

namespace pleq {

// Whether the desktop names a program for plain text files: xdg-mime's
// default for text/plain (texthandler_linux.cpp), the association of ".txt"
// (texthandler_windows.cpp). Starting the desktop's opener succeeds even when
// it then finds no such program, so "Протокол" asks first and shows the
// protocol in its own window where there is none.
bool textFileHandlerPresent();

} // namespace pleq
