#include "archive/archivesession.h"

#include "archive/archive.h"
#include "archive/archivewriter.h"
#include "core/model/errors.h"

#include <optional>

namespace pleq {

ArchiveSession::ArchiveSession(QObject* parent)
    : QObject(parent)
    , m_writer(new ArchiveWriter(this))
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

void ArchiveSession::write(Write write)
{
    std::optional<ArchiveLocation> location;
    std::optional<Error> refused;
    try {
        location = archive().location();
    } catch (const Error& e) {
        refused = e;
    }
    m_writer->write([write = std::move(write), location, refused] {
        std::unique_ptr<Archive> made; // closed on this thread when the write ends
        return write([&]() -> Archive& {
            if (refused)
                throw *refused;
            if (!made)
                made = std::make_unique<Archive>(*location);
            return *made;
        });
    });
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
