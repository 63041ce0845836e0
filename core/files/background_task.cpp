#include "core/files/background_task.h"

#include <utility>

namespace kivo::core {

BackgroundTask::BackgroundTask() : m_thread([this] { run(); })
{
}

BackgroundTask::~BackgroundTask()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void BackgroundTask::start(std::function<void()> task)
{
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_busy; });
        m_task = std::move(task);
        m_busy = true;
    }
    m_changed.notify_all();
}

void BackgroundTask::wait()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
    if (m_error)
        std::rethrow_exception(std::exchange(m_error, nullptr));
}

void BackgroundTask::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        // A task in hand is finished before the thread ends.
        m_changed.wait(lock, [this] { return m_busy || m_quit; });
        if (!m_busy)
            return;
        std::function<void()> task = std::move(m_task);
        lock.unlock();
        std::exception_ptr error;
        try {
            task();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        m_error = error;
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace kivo::core
