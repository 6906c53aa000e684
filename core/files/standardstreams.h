#pragma once

namespace pleq {

// Standard output and error carry exactly the bytes the programs write (UTF-8,
// LF), on Windows too: there the C library would turn LF into CR LF, and a
// console would read the bytes in its own code page. Call first in main.
void useExactStandardStreams();

} // namespace pleq
