#pragma once

#include "gui/app/dialogs.h"

#include <QByteArrayList>
#include <QStringList>

namespace pleq::test {

// Stands in for every message box and dialog while installed: records what the
// application showed and answers file dialogs with names queued in advance.
class RecordingDialogs : public Dialogs
{
public:
    RecordingDialogs() { Dialogs::install(this); }
    ~RecordingDialogs() override { Dialogs::install(nullptr); }

    void error(QWidget*, const QString& message) override { errors.append(message); }
    void message(QWidget*, const QString& text) override { messages.append(text); }
    QString openFileName(QWidget*, const QString&) override { return takeName(); }
    QString saveFileName(QWidget*, const QString&) override { return takeName(); }
    QString saveFileNameOfType(QWidget*, const QStringList& filters, int* chosen) override
    {
        offeredTypes = filters;
        *chosen = nextFileTypes.isEmpty() ? 0 : nextFileTypes.takeFirst();
        return takeName();
    }
    bool openTextFile(const QString& path) override
    {
        openedFiles.append(path);
        return !viewerFails;
    }
    // An accepted print dialog prints into a PDF kept in `printed`.
    bool print(QWidget*, const std::function<void(QPagedPaintDevice&)>& paint) override;
    // Answers with the next queued text; none queued: cancelled.
    QString textInput(QWidget*, const QString& label, const QString& text, const QString&) override
    {
        inputs.append(label + QLatin1Char('|') + text);
        return nextTexts.isEmpty() ? QString() : nextTexts.takeFirst();
    }

    // Answers with the next queued index; none queued: cancelled.
    std::optional<int> choose(QWidget*, const QString& prompt, const QStringList& items) override
    {
        choices.append(QStringList{prompt} + items);
        if (nextChoices.isEmpty())
            return std::nullopt;
        return nextChoices.takeFirst();
    }

    void clear();

    QStringList errors;        // without the appended full stop
    QStringList messages;      // validity messages, in the order shown
    QStringList openedFiles;   // text viewer starts
    QStringList nextFileNames; // answers of the file dialogs; empty = cancelled
    QList<int> nextFileTypes;  // the file types chosen in saveFileNameOfType; empty = the first
    QStringList offeredTypes;  // the file types the last saveFileNameOfType offered
    bool viewerFails = false;  // the desktop has no handler for text files
    bool printCancelled = false;
    int printDialogs = 0;       // print dialogs shown
    QByteArrayList printed;     // what was printed, each job as A4 PDF bytes
    QStringList nextTexts;      // answers of textInput; empty = cancelled
    QStringList inputs;         // each textInput asked: "label|offered text"
    QList<int> nextChoices;     // answers of choose; empty = cancelled
    QList<QStringList> choices; // each choose asked: its prompt, then the items offered

private:
    QString takeName() { return nextFileNames.isEmpty() ? QString() : nextFileNames.takeFirst(); }
};

} // namespace pleq::test
