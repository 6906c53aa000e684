#include "app/dialogs.h"

#include "model/errors.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace pleq {

namespace {

class RealDialogs final : public Dialogs
{
public:
    void error(QWidget* parent, const QString& text) override
    {
        QMessageBox::critical(parent, QStringLiteral("Pleq"), text + QLatin1Char('.'));
    }

    void message(QWidget* parent, const QString& text) override
    {
        QMessageBox::information(parent, QStringLiteral("Pleq"), text);
    }

    QString openFileName(QWidget* parent, const QString& filter) override
    {
        return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    }

    QString saveFileName(QWidget* parent, const QString& filter) override
    {
        // No question before replacing a file: the project commands never asked.
        return QFileDialog::getSaveFileName(parent, QString(), QString(), filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }

    void openTextFile(const QString& path) override
    {
        // The desktop's handler for text files; it starts detached.
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    }
};

Dialogs* g_installed = nullptr;

} // namespace

Dialogs& Dialogs::get()
{
    static RealDialogs real;
    return g_installed ? *g_installed : real;
}

void Dialogs::install(Dialogs* dialogs)
{
    g_installed = dialogs;
}

void runCommand(QWidget* parent, const std::function<void()>& command)
{
    try {
        command();
    } catch (const Error& e) {
        Dialogs::get().error(parent, e.message());
    } catch (const std::bad_alloc&) {
        Dialogs::get().error(parent, QStringLiteral("Out of memory"));
    }
}

} // namespace pleq
