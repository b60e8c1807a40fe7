// The back buffer of a top-level window shown with per-pixel alpha: the overlay blends its layers into
// the canvas's surface and presents it; the window then shows exactly the buffer's pixels.
#pragma once

#include <memory>

#include <QPointer>
#include <QWidget>

#include "graphics/graphics_objects.h"

namespace ql {

class LayeredWindowCanvas {
public:
    LayeredWindowCanvas();
    LayeredWindowCanvas(const LayeredWindowCanvas&) = delete;
    LayeredWindowCanvas& operator=(const LayeredWindowCanvas&) = delete;
    ~LayeredWindowCanvas();  // detaches

    // Detaches first when attached. Makes the window translucent (remembering its previous state), creates
    // the back buffer with the window's size (all transparent) and shows it at once. False for nullptr.
    bool Attach(QWidget* window);
    // False when not attached. Releases the back buffer and gives the window its previous state again.
    bool Detach();
    // Blends a source rectangle of sourceDC onto the back buffer (see AlphaBlendImage): constant alpha
    // 0..255, and the source's premultiplied alpha when perPixelAlpha. With alpha 255 and no per-pixel
    // alpha the source is copied unchanged. False when not attached or when the blend fails
    // (LastStatus() becomes GenericError then).
    bool Blend(DeviceContextRef sourceDC, int srcX, int srcY, int srcWidth, int srcHeight, int dstX, int dstY,
               int dstWidth, int dstHeight, int alpha, bool perPixelAlpha);
    // False when not attached. Schedules the window's repaint from the back buffer (cheap; repaints coalesce).
    bool Present();
    // The back buffer's pixels (nullptr when not attached).
    DeviceContextRef DeviceContext() const;

    bool IsAttached() const { return attached_; }
    QWidget* Window() const { return window_.data(); }
    Surface& BackBuffer() { return surface_; }

private:
    class PaintFilter;
    struct SavedState {
        bool translucent = false;
        bool noSystemBackground = false;
        bool autoFill = false;
    };

    SavedState previous_;
    bool attached_ = false;
    Surface surface_;
    QPointer<QWidget> window_;
    int constantAlpha_ = 255;
    std::unique_ptr<PaintFilter> filter_;
};

}  // namespace ql
