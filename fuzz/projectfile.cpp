// Any bytes opened as a project file: a refused file changes nothing; a file
// that opens saves, and what it saves opens and saves to the same bytes.
#include "check.h"

#include "core/files/projectfile.h"
#include "core/model/errors.h"
#include "core/model/project.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    static const QByteArray initial = pleq::writeProjectFile(pleq::Project());
    pleq::Project project;
    try {
        pleq::readProjectFile(project, bytes);
    } catch (const pleq::Error&) {
        FUZZ_CHECK(pleq::writeProjectFile(project) == initial);
        return 0;
    }
    const QByteArray saved = pleq::writeProjectFile(project); // an Error escaping here aborts: a finding
    pleq::Project again;
    pleq::readProjectFile(again, saved);
    FUZZ_CHECK(pleq::writeProjectFile(again) == saved);
    return 0;
}
