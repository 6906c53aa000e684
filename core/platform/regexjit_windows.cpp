// Every Windows program of the project: Qt's regular expressions without
// their JIT. A thread that ran a JIT-compiled expression keeps a JIT stack,
// and its release when the thread ends (the archive writer's, say) crashes
// the MinGW build (seen under Wine). The interpreted expressions match alike.
// Compiled into each program (an interface source of pleq_core), so that it
// runs before main, ahead of the first expression Qt compiles.

#include <QByteArray>
#include <QtGlobal>

namespace {

const bool jitOff = [] {
    if (!qEnvironmentVariableIsSet("QT_ENABLE_REGEXP_JIT"))
        qputenv("QT_ENABLE_REGEXP_JIT", QByteArray("0"));
    return true;
}();

} // namespace
