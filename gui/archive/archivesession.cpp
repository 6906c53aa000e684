#include "gui/archive/archivesession.h"

#include "archive/archive.h"
#include "core/model/errors.h"

namespace pleq {

ArchiveSession::ArchiveSession(QObject* parent)
    : QObject(parent)
{
}

ArchiveSession::~ArchiveSession()
{
    Q_EMIT aboutToRelocate();
}

Archive& ArchiveSession::archive()
{
    if (!m_archive)
        m_archive = std::make_unique<Archive>(archiveLocation());
    return *m_archive;
}

Archive& ArchiveSession::openArchive()
{
    Archive& opened = archive();
    opened.open();
    return opened;
}

QString ArchiveSession::displayName() const
{
    if (m_archive)
        return m_archive->location().displayName();
    try {
        return archiveLocation().displayName();
    } catch (const Error&) {
        return archiveLocationSetting();
    }
}

void ArchiveSession::relocate()
{
    Q_EMIT aboutToRelocate();
    m_archive.reset();
}

} // namespace pleq
