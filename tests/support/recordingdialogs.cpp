#include "support/recordingdialogs.h"

namespace pleq::test {

void RecordingDialogs::clear()
{
    errors.clear();
    messages.clear();
    openedFiles.clear();
    nextFileNames.clear();
    nextFileTypes.clear();
    offeredTypes.clear();
}

} // namespace pleq::test
