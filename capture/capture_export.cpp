#include "capture/capture_export.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <QClipboard>
#include <QGuiApplication>

#include "app/app_state.h"
#include "capture/bmp_bytes.h"
#include "capture/capture_window.h"
#include "capture/overlay_render.h"
#include "capture/overlay_state.h"
#include "graphics/bmp_codec.h"
#include "graphics/graphics_objects.h"
#include "graphics/layered_canvas.h"
#include "services/main_controls.h"
#include "services/recognition.h"

namespace ql {
namespace {

void (*&Recognise())(const Text&, int32_t) {
    static void (*f)(const Text&, int32_t) = nullptr;
    return f;
}

QImage DecodePicture(const Bytes& bytes) {
    if (bytes.empty()) return QImage();
    QImage img = DecodeBmp(bytes);
    if (img.isNull()) img.loadFromData(bytes.ptr(), static_cast<int>(bytes.size()));
    return img;
}

}  // namespace

Bytes CanvasToBmp(const QImage* dc, int32_t width, int32_t height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    const bool whole = dc != nullptr && !dc->isNull() && dc->depth() == 32 && width <= dc->width() &&
                       height <= dc->height();
    if (whole) return BuildBmpFile(width, height, dc->constBits(), dc->bytesPerLine());
    // Parts beyond the surface read as zero bytes.
    std::vector<unsigned char> pixels(size_t(width) * size_t(height) * 4u, 0);
    if (dc != nullptr && !dc->isNull() && dc->depth() == 32) {
        const int cw = std::min(width, dc->width());
        const int ch = std::min(height, dc->height());
        for (int y = 0; y < ch; ++y)
            std::memcpy(&pixels[size_t(y) * size_t(width) * 4u], dc->constScanLine(y), size_t(cw) * 4u);
    }
    return BuildBmpFile(width, height, pixels.data(), int64_t(width) * 4);
}

Bytes CropRegion(const Bytes& pictureBytes, int32_t left, int32_t top, int32_t width, int32_t height) {
    BitmapObject target;
    target.CreateBlank(width, height, PixelFormat32bppARGB);
    Surface surface;
    surface.FromImage(target);
    BitmapObject source;
    source.LoadFromBytes(pictureBytes, false);
    surface.DrawImagePart(source, 0, 0, float(target.Width()), float(target.Height()), float(left), float(top),
                          float(width), float(height));
    const Text format = source.RawFormat();
    surface.Release();
    Bytes result = target.SaveToBytes(format);
    target.Dispose();
    source.Dispose();
    return result;
}

void PutPictureOnClipboard(QWidget*, const Bytes& pictureBytes) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return;
    const QImage picture = DecodePicture(pictureBytes);
    if (picture.isNull()) {
        clipboard->clear();  // emptied, and nothing usable put in
        return;
    }
    clipboard->setImage(picture);
}

Bytes ClipboardDibToBmp(QWidget*) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return Bytes();
    const QImage image = clipboard->image();
    if (image.isNull()) return Bytes();
    return DibBlockToBmp(ClipboardDibFromImage(image));
}

std::string CaptureFilePath(int32_t captureId) {
    return RunDirectory() + "/imgtemp/" + std::to_string(captureId) + ".png";
}

void ConfirmSelection() {
    OverlayState& s = Overlay();
    LayeredWindowCanvas* canvas = s.WindowCanvas;
    CaptureWindow* window = CurrentCaptureWindow();
    const int w = window != nullptr ? window->width() : (canvas && canvas->DeviceContext() ? canvas->DeviceContext()->width() : 0);
    const int h = window != nullptr ? window->height() : (canvas && canvas->DeviceContext() ? canvas->DeviceContext()->height() : 0);
    // The clean snapshot, without dimming, frame, toolbar or magnifier (not presented).
    if (canvas != nullptr && s.BrightLayer != nullptr &&
        canvas->Blend(s.BrightLayer->DeviceContext(), 0, 0, w, h, 0, 0, w, h, 255, false))
        NoteCanvasChanged(QRect(0, 0, w, h));
    const Bytes screen = CanvasToBmp(canvas != nullptr ? canvas->DeviceContext() : nullptr, w, h);
    const Rect r = s.SelectionRect;
    const Bytes region = CropRegion(screen, r.left, r.top, r.right - r.left, r.bottom - r.top);
    PutPictureOnClipboard(window, region);
    FinishCapture();
}

void FinishCapture() {
    OverlayState& s = Overlay();
    s.CaptureId = RandomInRange(50000, 1000000);
    const std::string path = CaptureFilePath(s.CaptureId);
    const Bytes file = ClipboardDibToBmp(nullptr);
    // A fresh install has no imgtemp yet; without it nothing could be written and an empty file would
    // be uploaded.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (out) out.write(file.data().data(), static_cast<std::streamsize>(file.size()));
    }
    CloseOverlay();
    if (MainControls* c = Controls()) {
        c->SetBusyPictureVisible(true);
        c->SetBusyLabelVisible(true);
    }
    const Text gbkPath(Utf8ToGbkBytes(path));
    if (Recognise() != nullptr) Recognise()(gbkPath, s.CaptureId);
    else UploadAndRecognize(gbkPath, s.CaptureId);
}

void SetRecognitionForTests(void (*recognise)(const Text& imagePath, int32_t uploadId)) { Recognise() = recognise; }

}  // namespace ql
