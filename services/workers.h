// Detached worker threads of the pipelines, counted so that tests and benchmarks can wait for quiet.
#pragma once

#include <chrono>
#include <functional>

namespace ql {

// Runs fn on a new detached thread.
void StartWorker(std::function<void()> fn);
// Number of workers started and not yet finished.
int RunningWorkers();
// Waits until no worker runs (true) or the time is up (false).
bool WaitForWorkers(std::chrono::milliseconds limit);

}  // namespace ql
