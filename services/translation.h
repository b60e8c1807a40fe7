// The translation pipeline: the translate command on the window thread and its worker thread.
#pragma once

#include <functional>

#include "services/requests.h"
#include "web/text.h"

namespace ql {

// On the window thread (MainControls answers reads there directly): an exactly empty ResultEdit gives
// the information box "待翻译的内容是空白的！(╯▔皿▔)╯" titled "提示！" through showInformation; otherwise
// shows the busy indicator with "正在进行翻译……" and starts TranslateWorker on a detached thread.
void TranslateCommand(TranslateDirection dir,
                      const std::function<void(const Text& text, const Text& title)>& showInformation);

// Translates ResultEdit's text. When the answer holds segments, ResultEdit is replaced by them
// (formatted for the direction); otherwise ResultEdit keeps its text. Hides the busy indicator.
void TranslateWorker(TranslateDirection dir);

}  // namespace ql
