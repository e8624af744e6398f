#pragma once

#include <chrono>
#include <thread>

namespace lumora {

// Ends the process should an orderly stop hang, on a database or a mail server that no
// longer answers: a restart by the system must never wait on it. Queued mail is on disk
// by then, so nothing is lost but the stop's own bookkeeping.
class StopDeadline {
public:
    explicit StopDeadline(std::chrono::milliseconds limit);
    // The stop finished in time.
    ~StopDeadline() = default;
    StopDeadline(const StopDeadline&) = delete;
    StopDeadline& operator=(const StopDeadline&) = delete;

private:
    std::jthread watchdog_;
};

}  // namespace lumora
