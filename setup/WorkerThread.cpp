#include "setup/WorkerThread.h"

#include <cassert>
#include <chrono>

WorkerThread::~WorkerThread() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void WorkerThread::Start(std::function<void()> body) {
    assert(!m_thread.joinable() && "the previous thread of this worker was not joined");
    m_done = std::make_shared<Done>();
    std::shared_ptr<Done> done = m_done;
    m_thread = std::thread([done, body = std::move(body)] {
        body();
        {
            std::lock_guard<std::mutex> guard(done->lock);
            done->done = true;
        }
        done->ended.notify_all();
    });
}

bool WorkerThread::JoinFor(int milliseconds) {
    if (!m_thread.joinable()) {
        return true;
    }
    {
        std::unique_lock<std::mutex> lock(m_done->lock);
        if (!m_done->ended.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                    [this] { return m_done->done; })) {
            return false;
        }
    }
    m_thread.join();
    return true;
}
