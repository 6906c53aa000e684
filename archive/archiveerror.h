#pragma once

#include "core/model/errors.h"

#include <QString>

namespace pleq {

// Every error of the archive layer: which archive (its displayName) and
// why, as fields, so that a caller that names the archive already (the
// queue's message names the server) takes the reason alone. The message for
// the user is composed here, in one of a few fixed forms.
class ArchiveError : public Error
{
public:
    enum class Form {
        Failed,   // "Архив A: reason"
        NotEmpty, // "Архив A не пуст (записей: reason): копировать можно только в пустой архив"
        NotCopied,  // "Архив A не копируется: reason"
        MissingRun, // "В архиве A нет записи № reason"
        Foreign, // "Архив A: это не архив Pleq, ... (таблицы: reason); ...": another program's database
        // "Архив A: это незаконченная копия архива reason: ...": it takes the copy's resume only
        UnfinishedCopy,
    };
    ArchiveError(QString archive, QString reason, Form form = Form::Failed);

    const QString& archive() const { return m_archive; }
    const QString& reason() const { return m_reason; }
    Form form() const { return m_form; }

private:
    QString m_archive;
    QString m_reason;
    Form m_form;
};

} // namespace pleq
