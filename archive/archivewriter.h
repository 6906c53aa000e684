#pragma once

#include "core/tasks/worker.h"

namespace pleq {

// The archive's writes, one after another in the order given, on a worker
// thread of their own (its connections stay on it), so that a server that
// does not answer never holds up the window. A write returns what to tell the
// user; that runs on the window's thread once the write ends, in the same
// order. Destroying the writer waits for the writes given: nothing given is
// lost; what they would tell is not told. Running out of memory in a write is
// told by taskFailed.
class ArchiveWriter : public Worker
{
public:
    using Write = Task;

    explicit ArchiveWriter(QObject* parent = nullptr)
        : Worker(AtEnd::Finish, parent)
    {
    }

    // `write` must capture copies only: it runs on the writer's thread, and
    // tells its own errors.
    void write(Write write) { post(std::move(write)); }
};

} // namespace pleq
