#include "gui/app/dialogs.h"

#include "core/files/csvexport.h"
#include "core/model/errors.h"
#include "gui/app/texthandler.h"
#include "print/protocolprint.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

#include <memory>

namespace pleq {

namespace {

class RealDialogs final : public Dialogs
{
public:
    void error(QWidget* parent, const QString& message) override
    {
        std::unique_ptr<QMessageBox> box(makeErrorBox(parent, message));
        box->exec();
    }

    void message(QWidget* parent, const QString& text) override
    {
        std::unique_ptr<QMessageBox> box(makeMessageBox(parent, text));
        box->exec();
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

    QString saveFileNameOfType(QWidget* parent, const QStringList& filters, int* chosen) override
    {
        QString selected = filters.value(0);
        const QString name =
            QFileDialog::getSaveFileName(parent, QString(), QString(), filters.join(QLatin1String(";;")), &selected,
                                         QFileDialog::DontConfirmOverwrite);
        *chosen = int(qMax(qsizetype(0), filters.indexOf(selected)));
        return name;
    }

    bool openTextFile(const QString& path) override
    {
        // The desktop's handler for text files; it starts detached.
        return textFileHandlerPresent()
               && QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    }

    bool print(QWidget* parent, const std::function<void(QPagedPaintDevice&)>& paint) override
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(protocolPageLayout());
        QPrintDialog dialog(&printer, parent);
        dialog.setWindowModality(Qt::WindowModal);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        paint(printer);
        return true;
    }

    QString textInput(QWidget* parent, const QString& label, const QString& text, const QString& fileFilter) override
    {
        QDialog dialog(parent);
        dialog.setWindowTitle(QStringLiteral("Pleq"));
        auto* edit = new QLineEdit(text, &dialog);
        edit->setMinimumWidth(420);
        auto* browse = new QPushButton(QStringLiteral("Файл ..."), &dialog);
        QObject::connect(browse, &QPushButton::clicked, &dialog, [&] {
            const QString name = QFileDialog::getSaveFileName(&dialog, QString(), edit->text(), fileFilter, nullptr,
                                                              QFileDialog::DontConfirmOverwrite);
            if (!name.isEmpty())
                edit->setText(name);
        });
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        auto* row = new QHBoxLayout;
        row->addWidget(edit);
        row->addWidget(browse);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(new QLabel(label, &dialog));
        layout->addLayout(row);
        layout->addWidget(buttons);
        if (dialog.exec() != QDialog::Accepted)
            return QString();
        // Accepted with nothing typed is an empty text, not a cancel.
        return edit->text().isNull() ? QStringLiteral("") : edit->text();
    }

    std::optional<int> choose(QWidget* parent, const QString& prompt, const QStringList& items) override
    {
        bool ok = false;
        const QString item = QInputDialog::getItem(parent, QStringLiteral("Pleq"), prompt, items, 0, false, &ok);
        const auto index = int(items.indexOf(item));
        if (!ok || index < 0)
            return std::nullopt;
        return index;
    }
};

Dialogs* g_installed = nullptr;

} // namespace

QMessageBox* makeErrorBox(QWidget* parent, const QString& message)
{
    // A message that already ends its sentence gets no second full stop.
    const QString text = message.endsWith(QLatin1Char('.')) ? message : message + QLatin1Char('.');
    return new QMessageBox(QMessageBox::Critical, QStringLiteral("Pleq"), text, QMessageBox::Ok, parent);
}

QMessageBox* makeMessageBox(QWidget* parent, const QString& text)
{
    return new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Pleq"), text, QMessageBox::Ok, parent);
}

Dialogs& Dialogs::get()
{
    static RealDialogs real;
    return g_installed ? *g_installed : real;
}

void Dialogs::install(Dialogs* dialogs)
{
    g_installed = dialogs;
}

QString resultsCsvFileName(QWidget* parent, CsvStyle* style)
{
    // In the order of CsvStyle.
    static const QStringList filters = {QStringLiteral("CSV для LIMS (*.csv)"),
                                        QStringLiteral("CSV для Excel/Calc, русский (*.csv)")};
    int type = 0;
    QString name = Dialogs::get().saveFileNameOfType(parent, filters, &type);
    if (name.isEmpty())
        return name;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".csv");
    *style = type == 1 ? CsvStyle::Spreadsheet : CsvStyle::Machine;
    return name;
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
