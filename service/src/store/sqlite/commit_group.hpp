#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace lumora {

// Lets callers on many threads share one transaction. A caller that finds no group at
// work takes every job waiting so far, its own among them, and runs them together; the
// others wait for that, and whoever comes meanwhile waits to form the next group. Each
// commit then writes a page touched by many jobs once, not once per job.
template <typename Job>
class CommitGroup {
public:
    // Returns once `job` has been run by `run_group(std::vector<Job*>&)`, on this thread
    // or another. `run_group` must not throw: it reports failures through the jobs.
    template <typename RunGroup>
    void run(Job& job, RunGroup&& run_group) {
        std::unique_lock lock(mutex_);
        waiting_.push_back(&job);
        const std::uint64_t group = taken_ + 1;
        while (finished_ < group) {
            if (running_) {
                finished_changed_.wait(lock);
                continue;
            }
            running_ = true;
            std::vector<Job*> jobs;
            jobs.swap(waiting_);
            ++taken_;
            lock.unlock();
            run_group(jobs);
            lock.lock();
            running_ = false;
            finished_ = taken_;
            finished_changed_.notify_all();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable finished_changed_;
    std::vector<Job*> waiting_;
    bool running_ = false;
    std::uint64_t taken_ = 0;     // groups taken from the waiting jobs
    std::uint64_t finished_ = 0;  // groups run to their end
};

}  // namespace lumora
