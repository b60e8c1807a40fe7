// The recognition pipeline: upload -> OCR -> display, each step on its own detached thread, started
// by the previous step after its last write. Controls are reached through Controls() (main_controls.h),
// shared values through App() (ImageUrl, OcrAnswer, AccessToken, UploadId).
#pragma once

#include <cstdint>

#include "web/text.h"

namespace ql {

// Reads ImagePathEdit's text and UploadId, then UploadAndRecognize with them. Runs on a worker thread.
void UploadWorker();
// Starts UploadWorker on a new detached thread (the main window's recognition command).
void StartUploadWorker();

// Uploads the picture, sets ImageUrl, shows the busy indicator ("正在进行识别……"), starts OcrWorker
// and returns without waiting for the OCR. Runs on the calling thread (the window thread on the
// capture path).
void UploadAndRecognize(const Text& imagePath, int32_t uploadId);

// OCR request with AccessToken and ImageUrl, sets OcrAnswer, starts DisplayWorker.
void OcrWorker();
// Empties ResultEdit, appends each recognised line, hides the busy indicator.
void DisplayWorker();

}  // namespace ql
