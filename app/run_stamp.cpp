#include "app/run_stamp.h"

#include <string>

namespace ql {

Text FormatRunStamp(const std::tm& t) {
    std::string s = std::to_string(t.tm_year + 1900) + "/" + std::to_string(t.tm_mon + 1) + "/" +
                    std::to_string(t.tm_mday) + " " + std::to_string(t.tm_hour) + ":" +
                    std::to_string(t.tm_min) + " " + std::to_string(t.tm_sec) + "s";
    return Text(s);
}

Text CurrentRunStamp() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return FormatRunStamp(local);
}

}  // namespace ql
