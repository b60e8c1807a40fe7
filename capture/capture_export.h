// The end of a capture: the selected region of the clean snapshot onto the clipboard, the clipboard's
// bitmap into a file under imgtemp, the overlay closed and the file handed to recognition.
#pragma once

#include <cstdint>
#include <string>

#include <QImage>

#include "web/text.h"

class QWidget;

namespace ql {

// The top-left width x height pixels of the surface as a 32-bit BMP file, rows bottom-up, the stored
// bytes (blue, green, red, fourth byte) unchanged. Pixels outside the surface are zero.
Bytes CanvasToBmp(const QImage* deviceContext, int32_t width, int32_t height);

// The rectangle of the picture, in the picture's own format (BMP here); parts outside the picture are
// transparent. Empty bytes when the picture does not decode or the rectangle is empty.
Bytes CropRegion(const Bytes& pictureBytes, int32_t left, int32_t top, int32_t width, int32_t height);

// Replaces the clipboard's content with the decoded picture; a picture that does not decode leaves the
// clipboard empty.
void PutPictureOnClipboard(QWidget* window, const Bytes& pictureBytes);

// The clipboard's bitmap as its CF_DIB block turned into a BMP file; empty bytes when it holds none.
Bytes ClipboardDibToBmp(QWidget* window);

// Where FinishCapture writes: run directory + "/imgtemp/" + id + ".png" (file-system encoding).
std::string CaptureFilePath(int32_t captureId);

// The double click / the toolbar's tick: the region onto the clipboard, then FinishCapture.
void ConfirmSelection();
// Every way out: new CaptureId, the clipboard's bitmap written to the capture file (imgtemp is created
// when missing), the overlay closed, the busy indicator shown, UploadAndRecognize on this thread.
void FinishCapture();

// Tests replace the hand-off to recognition (image path in GBK, id); empty goes back to
// UploadAndRecognize.
void SetRecognitionForTests(void (*recognise)(const Text& imagePath, int32_t uploadId));

}  // namespace ql
