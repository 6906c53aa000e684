#include "session/session.h"

#include "archive/archivesession.h"
#include "archive/queuesender.h"

namespace pleq {

Session::Session(QObject* parent)
    : QObject(parent)
    , m_edits(m_project)
    , m_calculation(m_project)
    , m_reader(std::make_unique<ReaderLink>(m_project, static_cast<ReaderView&>(*this)))
    , m_archive(new ArchiveSession(this))
{
    // Runs queued while the archive's server was away go to it at start and
    // every few minutes, without holding up the window.
    new QueueSender(*m_archive, m_archive);
}

Session::~Session()
{
    // The windows may be gone already: the link's last showing reaches none of them.
    blockSignals(true);
    m_reader.reset();
}


} // namespace pleq
