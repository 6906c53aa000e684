#pragma once

// The sheets of a spreadsheet workbook (.xlsx) as text: each sheet's rows as
// lines of tab-separated cells, so that a reader export saved as a workbook is
// read by the same shapes as its text export. Internal to the import.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace pleq::files::workbook {

struct Sheet {
    QString name;
    QStringList lines; // row 1 first; a cell's text as the sheet shows its value ("0.101", "A", "Masked")
};

// A zip file (its first bytes "PK\3\4") holding a workbook's part xl/workbook.xml.
bool isXlsx(const QByteArray& bytes);

// The sheets of an .xlsx in the workbook's order. Throws Error naming
// `fileName` when the archive or its parts cannot be read.
QList<Sheet> readXlsx(const QByteArray& bytes, const QString& fileName);

} // namespace pleq::files::workbook
