#include "services/translation.h"

#include "services/main_controls.h"
#include "services/workers.h"

namespace ql {

void TranslateCommand(TranslateDirection dir,
                      const std::function<void(const Text& text, const Text& title)>& showInformation) {
    MainControls* c = Controls();
    if (c == nullptr) return;
    if (c->ResultText().empty()) {
        if (showInformation) showInformation("待翻译的内容是空白的！(╯▔皿▔)╯"_gbk, "提示！"_gbk);
        return;
    }
    c->SetBusyPictureVisible(true);
    c->SetBusyLabelText("正在进行翻译……"_gbk);
    c->SetBusyLabelVisible(true);
    StartWorker([dir] { TranslateWorker(dir); });
}

void TranslateWorker(TranslateDirection dir) {
    MainControls* c = Controls();
    if (c == nullptr) return;
    const Text source = c->ResultText();
    const std::vector<Text> segments = ParseTranslation(RequestTranslation(BuildTranslateBody(dir, source)));
    // A failed request or an error answer leaves the user's text in place.
    if (!segments.empty()) {
        c->SetResultText(Text());
        for (const Text& s : segments) c->AppendResultText(FormatTranslatedSegment(dir, s));
    }
    c->SetBusyPictureVisible(false);
    c->SetBusyLabelVisible(false);
}

}  // namespace ql
