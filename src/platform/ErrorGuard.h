#pragma once
// The common error box and the guard that procedures put around their steps.
//
// A guarded procedure is written as
//     guardedSub("CheckForWin", [&](Step &step) { step([&] { ... }); step([&] { ... }); });
// A run-time error inside a step shows the box "Fehler-Nr: n / Fehler     : message" titled
// "Fehler in: (<application title>) Sub <name>" with Abort, Retry and Ignore (Ignore the default):
// Abort leaves the procedure, Retry runs the failing step again, Ignore goes on after it.
// An error outside any step counts as an error of the whole body.
#include "platform/RuntimeError.h"

#include <QString>
#include <exception>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

namespace platform {

enum class ProcKind { Sub, Function };

// Shows the error box for an error inside the named procedure; returns vbAbort, vbRetry or vbIgnore.
int showErrorBox(ProcKind kind, const QString &procedure, int number, const QString &description);
QString errorBoxTitle(ProcKind kind, const QString &procedure);
QString errorBoxPrompt(int number, const QString &description);

// Thrown by a step when the user chose Abort; caught by the procedure's guard.
struct LeaveProcedure {};

namespace detail {
// Runs f, turning every error into a RuntimeError; true when one occurred. The error object is
// only built on failure: guarded procedures sit on hot paths such as the computer's search.
template <class F>
bool runCatching(F &&f, std::optional<RuntimeError> &error)
{
    try {
        f();
        return false;
    } catch (const RuntimeError &e) {
        error = e;
    } catch (const std::bad_alloc &) {
        error = RuntimeError(ErrOutOfMemory);
    } catch (const std::out_of_range &) {
        error = RuntimeError(ErrSubscript);
    }
    return true;
}
} // namespace detail

class Step {
public:
    Step(ProcKind kind, QString procedure) : m_kind(kind), m_procedure(std::move(procedure)) {}

    template <class F>
    void operator()(F &&step)
    {
        for (;;) {
            std::optional<RuntimeError> error;
            if (!detail::runCatching(step, error))
                return;
            const int answer = showErrorBox(m_kind, m_procedure, error->number(), error->description());
            if (answer == 4 /* Retry */)
                continue;
            if (answer == 3 /* Abort */)
                throw LeaveProcedure{};
            return; // Ignore: go on with the next step
        }
    }

private:
    ProcKind m_kind;
    QString m_procedure;
};

template <class Body>
void guarded(ProcKind kind, const QString &procedure, Body &&body)
{
    Step step(kind, procedure);
    for (;;) {
        std::optional<RuntimeError> error;
        bool failed = false;
        try {
            failed = detail::runCatching([&] { body(step); }, error);
        } catch (const LeaveProcedure &) {
            return;
        }
        if (!failed)
            return;
        if (showErrorBox(kind, procedure, error->number(), error->description()) != 4 /* Retry */)
            return;
    }
}

template <class Body>
void guardedSub(const QString &procedure, Body &&body)
{
    guarded(ProcKind::Sub, procedure, std::forward<Body>(body));
}

// A guarded function: the body sets `result`; what it holds when the procedure is left is returned.
template <class T, class Body>
T guardedFunction(const QString &procedure, T result, Body &&body)
{
    guarded(ProcKind::Function, procedure, [&](Step &step) { body(step, result); });
    return result;
}

} // namespace platform
