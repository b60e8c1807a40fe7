#include "services/workers.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace ql {
namespace {

struct WorkerCount {
    std::mutex m;
    std::condition_variable idle;
    int running = 0;
};

WorkerCount& Count() {
    // Never destroyed: a detached worker may still be finishing while the process exits.
    static WorkerCount* c = new WorkerCount;
    return *c;
}

}  // namespace

void StartWorker(std::function<void()> fn) {
    WorkerCount& c = Count();
    {
        std::lock_guard<std::mutex> l(c.m);
        ++c.running;
    }
    std::thread([fn = std::move(fn)]() mutable {
        fn();
        fn = nullptr;  // release what the task holds before counting it finished
        WorkerCount& wc = Count();
        std::lock_guard<std::mutex> l(wc.m);
        if (--wc.running == 0) wc.idle.notify_all();
    }).detach();
}

int RunningWorkers() {
    WorkerCount& c = Count();
    std::lock_guard<std::mutex> l(c.m);
    return c.running;
}

bool WaitForWorkers(std::chrono::milliseconds limit) {
    WorkerCount& c = Count();
    std::unique_lock<std::mutex> l(c.m);
    return c.idle.wait_for(l, limit, [&] { return c.running == 0; });
}

}  // namespace ql
