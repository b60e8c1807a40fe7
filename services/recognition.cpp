#include "services/recognition.h"

#include "app/app_state.h"
#include "services/main_controls.h"
#include "services/requests.h"
#include "services/workers.h"

namespace ql {

void UploadWorker() {
    MainControls* c = Controls();
    const Text path = c != nullptr ? c->ImagePath() : Text();
    UploadAndRecognize(path, App().UploadId.get());
}

void StartUploadWorker() { StartWorker(UploadWorker); }

void UploadAndRecognize(const Text& imagePath, int32_t uploadId) {
    UploadImage(uploadId, imagePath);
    App().ImageUrl.set(HostedImageAddress(uploadId));
    if (MainControls* c = Controls()) {
        c->SetBusyLabelText("正在进行识别……"_gbk);
        c->SetBusyPictureVisible(true);
        c->SetBusyLabelVisible(true);
    }
    StartWorker(OcrWorker);
}

void OcrWorker() {
    App().OcrAnswer.set(RequestOcr(App().AccessToken.get(), App().ImageUrl.get()));
    StartWorker(DisplayWorker);
}

void DisplayWorker() {
    MainControls* c = Controls();
    if (c == nullptr) return;
    c->SetResultText(Text());
    for (const Text& line : ParseOcrWords(App().OcrAnswer.get())) c->AppendResultText(FormatOcrText(line));
    c->SetBusyPictureVisible(false);
    c->SetBusyLabelVisible(false);
}

}  // namespace ql
