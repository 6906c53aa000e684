#pragma once

#include "core/calc/calculationsession.h"
#include "core/model/project.h"
#include "core/reader/acquisition.h"
#include "session/editstack.h"

#include <QObject>

namespace pleq {

class ArchiveSession;

// Session: what the windows show and edit, below them and without a widget.
// It owns the project, the edit stack over it, the last run (the calculation
// session), the reader link that fills the plate from the serial line and the
// application's archive session. `pleq`'s main makes one; the windows take it
// by reference, show it and forward the user's commands to it.
class Session : public QObject, private ReaderView
{
    Q_OBJECT
public:
    explicit Session(QObject* parent = nullptr);
    // A running acquisition ends quietly first (the port released, the plate unlocked).
    ~Session() override;

    Project& project() { return m_project; }
    EditStack& edits() { return m_edits; }
    CalculationSession& calculation() { return m_calculation; }
    ReaderLink& reader() { return *m_reader; }
    // The application's archive (opened on first use), with the sender of
    // the runs queued for its server.
    ArchiveSession& archive() const { return *m_archive; }

Q_SIGNALS:
    // The reader link's state for the windows: the connection ("Установлено"
    // or "Нет") and whether an acquisition runs. Its end (and the failure's
    // message) is the link's finished(); the plate lock is the project's.
    void readerConnectionChanged(bool established);
    void readerAcquiringChanged(bool running);

private:
    void showConnection(bool established) override { Q_EMIT readerConnectionChanged(established); }
    void showAcquiring(bool running) override { Q_EMIT readerAcquiringChanged(running); }

    Project m_project;
    EditStack m_edits;
    CalculationSession m_calculation;
    std::unique_ptr<ReaderLink> m_reader;
    ArchiveSession* m_archive; // a child of the session
};

} // namespace pleq
