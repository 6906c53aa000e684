#include "archive/archiveerror.h"

namespace pleq {

namespace {

QString compose(const QString& archive, const QString& reason, ArchiveError::Form form)
{
    switch (form) {
    case ArchiveError::Form::NotEmpty:
        return QStringLiteral("Архив %1 не пуст (записей: %2): копировать можно только в пустой архив")
            .arg(archive, reason);
    case ArchiveError::Form::NotCopied: return QStringLiteral("Архив %1 не копируется: %2").arg(archive, reason);
    case ArchiveError::Form::MissingRun: return QStringLiteral("В архиве %1 нет записи № %2").arg(archive, reason);
    case ArchiveError::Form::Foreign:
        return QStringLiteral("Архив %1: это не архив Pleq, база данных принадлежит другой программе (таблицы: %2); "
                              "Pleq ее не изменяет")
            .arg(archive, reason);
    case ArchiveError::Form::UnfinishedCopy:
        return QStringLiteral("Архив %1: это незаконченная копия архива %2: записи в него не добавляются, пока "
                              "archive copy не закончит копирование")
            .arg(archive, reason);
    case ArchiveError::Form::Failed: break;
    }
    return QStringLiteral("Архив %1: %2").arg(archive, reason);
}

} // namespace

ArchiveError::ArchiveError(QString archive, QString reason, Form form)
    : Error(compose(archive, reason, form))
    , m_archive(std::move(archive))
    , m_reason(std::move(reason))
    , m_form(form)
{
}

} // namespace pleq
