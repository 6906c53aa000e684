#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QMessageBox;
class QPagedPaintDevice;
class QWidget;

namespace pleq {

enum class CsvStyle;

// Every message box, file dialog, print dialog and the start of the text viewer pass through
// here, so that tests answer them in advance and run without modal windows.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // The default error box: the message with a full stop appended, title
    // "Pleq", an error icon.
    virtual void error(QWidget* parent, const QString& message) = 0;
    // A validity message: title "Pleq", the text, an OK button; returns when closed.
    virtual void message(QWidget* parent, const QString& text) = 0;
    // The standard file dialogs; an empty result means cancelled.
    virtual QString openFileName(QWidget* parent, const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& filter) = 0;
    // A save dialog offering several file types ("CSV ... (*.csv)"); `chosen`
    // receives the index of the type the user picked.
    virtual QString saveFileNameOfType(QWidget* parent, const QStringList& filters, int* chosen) = 0;
    // Opens a text file in the user's viewer without waiting for it; false
    // when the desktop has no handler for it or the handler did not start.
    virtual bool openTextFile(const QString& path) = 0;
    // The system's print dialog over an A4 printer; once accepted, `paint`
    // prints on the chosen printer. False when cancelled. What `paint` throws
    // passes through.
    virtual bool print(QWidget* parent, const std::function<void(QPagedPaintDevice&)>& paint) = 0;
    // A line of text asked for under `label`, `text` offered; a "Файл ..."
    // button beside it fills in a file chosen as saveFileName does with
    // `fileFilter`. A null result means cancelled.
    virtual QString textInput(QWidget* parent, const QString& label, const QString& text,
                              const QString& fileFilter) = 0;
    // One of `items` (each distinct) picked from a list under `prompt`, the
    // first offered: its index, nothing when cancelled.
    virtual std::optional<int> choose(QWidget* parent, const QString& prompt, const QStringList& items) = 0;

    // The dialogs in use: the real ones unless a test installed others.
    static Dialogs& get();
    // Installs replacement dialogs (not owned); nullptr restores the real ones.
    static void install(Dialogs* dialogs);
};

// The boxes the real dialogs show, built apart so that their form can be checked.
QMessageBox* makeErrorBox(QWidget* parent, const QString& message);
QMessageBox* makeMessageBox(QWidget* parent, const QString& text);

// The save dialog of the results export: its two types ("CSV для LIMS", "CSV
// для Excel/Calc, русский"), ".csv" appended to a name without a suffix, the
// chosen type in `style`. Empty when cancelled.
QString resultsCsvFileName(QWidget* parent, CsvStyle* style);

// The command boundary: runs one user command and shows an error that ends it
// in the default error box. What the command changed before the error stays.
void runCommand(QWidget* parent, const std::function<void()>& command);

} // namespace pleq
