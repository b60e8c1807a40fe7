// F7's system-wide state, the way the hotkey poll asks for it: non-zero when the key is down now or
// was pressed since the previous query, so that a tap shorter than the poll period still counts.
// Without an X display the key is never down.
#pragma once

#include <cstdint>
#include <functional>

namespace ql {

// One query; 0 means "not pressed". Window thread only.
int32_t AsyncF7State();

// Tests replace the source of the key state; an empty function goes back to the X server.
void SetKeyStateSourceForTests(std::function<int32_t()> source);

}  // namespace ql
