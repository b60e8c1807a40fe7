// The run stamp that begins every history line of a run: "2018/6/13 9:5 7s" (local clock, no leading
// zeros, a space between minute and second, a closing "s").
#pragma once

#include <ctime>

#include "web/text.h"

namespace ql {

Text FormatRunStamp(const std::tm& local);
Text CurrentRunStamp();  // from the local clock now

}  // namespace ql
