#include "graphics/layered_canvas.h"

#include <QEvent>
#include <QObject>
#include <QPainter>

#include "graphics/blend.h"

namespace ql {

// Paints the back buffer in place of the window's own painting while the canvas is attached.
class LayeredWindowCanvas::PaintFilter : public QObject {
public:
    explicit PaintFilter(LayeredWindowCanvas* canvas) : canvas_(canvas) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || watched != canvas_->window_.data()) return false;
        QWidget* window = canvas_->window_.data();
        QPainter painter(window);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        if (const QImage* buffer = canvas_->surface_.DeviceContext()) {
            painter.drawImage(QPoint(0, 0), *buffer);
            // Parts of the window the buffer does not cover stay fully transparent.
            if (buffer->width() < window->width())
                painter.fillRect(QRect(buffer->width(), 0, window->width() - buffer->width(), window->height()),
                                 Qt::transparent);
            if (buffer->height() < window->height())
                painter.fillRect(QRect(0, buffer->height(), buffer->width(), window->height() - buffer->height()),
                                 Qt::transparent);
        } else {
            painter.fillRect(window->rect(), Qt::transparent);
        }
        return true;
    }

private:
    LayeredWindowCanvas* canvas_;
};

LayeredWindowCanvas::LayeredWindowCanvas() = default;

LayeredWindowCanvas::~LayeredWindowCanvas() { Detach(); }

bool LayeredWindowCanvas::Attach(QWidget* window) {
    if (attached_) Detach();
    if (!window) return false;
    attached_ = true;
    window_ = window;
    previous_.translucent = window->testAttribute(Qt::WA_TranslucentBackground);
    previous_.noSystemBackground = window->testAttribute(Qt::WA_NoSystemBackground);
    previous_.autoFill = window->autoFillBackground();
    window->setAttribute(Qt::WA_TranslucentBackground, true);
    window->setAutoFillBackground(false);
    constantAlpha_ = 255;
    filter_ = std::make_unique<PaintFilter>(this);
    window->installEventFilter(filter_.get());
    surface_.Create(window->width(), window->height());
    Present();
    return true;
}

bool LayeredWindowCanvas::Detach() {
    if (!attached_) return false;
    surface_.Release();
    if (QWidget* window = window_.data()) {
        window->removeEventFilter(filter_.get());
        window->setAttribute(Qt::WA_TranslucentBackground, previous_.translucent);
        window->setAttribute(Qt::WA_NoSystemBackground, previous_.noSystemBackground);
        window->setAutoFillBackground(previous_.autoFill);
        window->update();
    }
    filter_.reset();
    attached_ = false;
    window_ = nullptr;
    return true;
}

bool LayeredWindowCanvas::Blend(DeviceContextRef sourceDC, int srcX, int srcY, int srcWidth, int srcHeight,
                                int dstX, int dstY, int dstWidth, int dstHeight, int alpha, bool perPixelAlpha) {
    if (!attached_) return false;
    QImage* target = surface_.DeviceContext();
    if (!target || !sourceDC ||
        !AlphaBlendImage(*target, dstX, dstY, dstWidth, dstHeight, *sourceDC, srcX, srcY, srcWidth, srcHeight, alpha,
                         perPixelAlpha)) {
        SetLastStatus(GenericError);
        return false;
    }
    return true;
}

bool LayeredWindowCanvas::Present() {
    if (!attached_) return false;
    if (QWidget* window = window_.data()) window->update();
    return true;
}

DeviceContextRef LayeredWindowCanvas::DeviceContext() const { return attached_ ? surface_.DeviceContext() : nullptr; }

}  // namespace ql
