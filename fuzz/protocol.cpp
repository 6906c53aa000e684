// A project file opened, calculated and printed as "Расчет" and "Протокол" do
// (the input's size picks the decimal separator): no crash, and a protocol
// made is CR LF text throughout.
#include "check.h"

#include "core/calc/calculation.h"
#include "core/files/projectfile.h"
#include "core/files/protocol.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pleq::setDecimalSeparator(QChar(size % 2 ? ',' : '.'));
    pleq::Project project;
    try {
        pleq::readProjectFile(project, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const pleq::Error&) {
        return 0;
    }
    // A run stopped by an error keeps what it wrote; the protocol is made all the same.
    pleq::calculatePlate(project, [](const QString&) {});
    QByteArray bytes;
    try {
        bytes = pleq::protocolBytes(project);
    } catch (const pleq::Error&) {
        return 0;
    }
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r')
            FUZZ_CHECK(i + 1 < bytes.size() && bytes[i + 1] == '\n');
        if (bytes[i] == '\n')
            FUZZ_CHECK(i > 0 && bytes[i - 1] == '\r');
    }
    return 0;
}
