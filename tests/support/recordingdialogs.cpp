#include "support/recordingdialogs.h"

#include "print/protocolprint.h"

#include <QBuffer>
#include <QPdfWriter>

namespace pleq::test {

void RecordingDialogs::clear()
{
    errors.clear();
    messages.clear();
    openedFiles.clear();
    nextFileNames.clear();
    nextFileTypes.clear();
    offeredTypes.clear();
    viewerFails = false;
    printCancelled = false;
    printDialogs = 0;
    printed.clear();
    nextTexts.clear();
    inputs.clear();
    nextChoices.clear();
    choices.clear();
}

bool RecordingDialogs::print(QWidget*, const std::function<void(QPagedPaintDevice&)>& paint)
{
    ++printDialogs;
    if (printCancelled)
        return false;
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(protocolPageLayout());
        paint(writer);
    }
    printed.append(bytes);
    return true;
}

} // namespace pleq::test
