#include "session/session.h"

#include "gui/archive/archivesession.h" // the class only: the windows' library builds it

namespace pleq {

Session::Session(QObject* parent)
    : QObject(parent)
    , m_edits(m_project)
    , m_calculation(m_project)
    , m_reader(std::make_unique<ReaderLink>(m_project, static_cast<ReaderView&>(*this)))
{
}

Session::~Session()
{
    // The windows may be gone already: the link's last showing reaches none of them.
    blockSignals(true);
    m_reader.reset();
}

ArchiveSession& Session::archive() const
{
    Q_ASSERT(m_archive);
    return *m_archive;
}

void Session::setArchive(ArchiveSession* archive)
{
    Q_ASSERT(!m_archive && archive);
    m_archive = archive;
    archive->setParent(this);
}

} // namespace pleq
