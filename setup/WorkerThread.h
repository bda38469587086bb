// A worker thread that can be waited for with a bound: the controller's repaint, version, frame
// and install threads. Destroying a worker that still runs waits for it without a bound, so a
// caller that must not wait checks JoinFor first.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts body on a new thread. A previous thread must have been joined (JoinFor true).
    void Start(std::function<void()> body);
    bool Started() const { return m_thread.joinable(); }
    // Waits up to milliseconds for the body to return and joins the thread when it did. True when
    // no thread runs any more.
    bool JoinFor(int milliseconds);

private:
    struct Done {
        std::mutex lock;
        std::condition_variable ended;
        bool done = false;
    };
    std::thread m_thread;
    std::shared_ptr<Done> m_done;
};
