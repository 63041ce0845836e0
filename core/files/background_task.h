#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace kivo::core {

// A thread of its own that runs one task at a time beside its owner: reading the next block
// of a file while the current one is scanned, writing one buffer while the next is filled.
// Throws std::system_error when no thread can be started.
class BackgroundTask final {
public:
    BackgroundTask();
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;
    // Waits for the task in hand; what it throws is dropped.
    ~BackgroundTask();

    // Starts `task` once the one before has ended.
    void start(std::function<void()> task);
    // Waits for the task started last, if any, and throws what it threw.
    void wait();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_task;
    bool m_busy = false;
    bool m_quit = false;
    std::exception_ptr m_error;
    std::thread m_thread; // last: it starts once the rest is in place
};

} // namespace kivo::core
