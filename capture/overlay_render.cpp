#include "capture/overlay_render.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

#include "capture/bmp_bytes.h"
#include "graphics/bmp_codec.h"
#include "graphics/graphics_objects.h"
#include "graphics/layered_canvas.h"
#include "resources/resources.h"

namespace ql {
namespace {

constexpr double kTolerance = 1e-7;

struct Caches {
    QImage dimmed;              // the canvas after the dimmed base's two blends
    const QImage* dimmedBright = nullptr;
    const QImage* dimmedDim = nullptr;
    QImage snapshot;            // CaptureSnapshot decoded
    const void* snapshotData = nullptr;
    size_t snapshotSize = 0;
    bool snapshotDecoded = false;
    QString colourText;
    Point magnifierPlace;
    // Where the canvas may differ from the dimmed base, and what changed since the last present. Both
    // start as "everything": the canvas's content is not known until the base has been drawn whole.
    QRegion drawnOverBase = Everything();
    QRegion changed = Everything();
    static QRegion Everything() { return QRegion(0, 0, 1 << 20, 1 << 20); }
};

Caches& Cache() {
    static Caches c;
    return c;
}

QImage* CanvasImage() {
    LayeredWindowCanvas* c = Overlay().WindowCanvas;
    return c != nullptr ? c->DeviceContext() : nullptr;
}

const QImage* LayerImage(Surface* s) { return s != nullptr ? s->DeviceContext() : nullptr; }

// Everything drawn over the base is noted, so that the next base only needs to restore those places.
void Touch(const QRect& r) {
    Cache().drawnOverBase += r;
    Cache().changed += r;
}

void Blend(const QImage* src, int x, int y, int w, int h, int dx, int dy, int alpha, bool perPixel) {
    LayeredWindowCanvas* c = Overlay().WindowCanvas;
    if (c == nullptr || src == nullptr) return;
    if (c->Blend(const_cast<QImage*>(src), x, y, w, h, dx, dy, w, h, alpha, perPixel)) Touch(QRect(dx, dy, w, h));
}

// A blend of a small temporary picture, at its full size.
void BlendWhole(const QImage& src, int dx, int dy, int alpha) {
    Blend(&src, 0, 0, src.width(), src.height(), dx, dy, alpha, true);
}

QImage Transparent(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    if (!img.isNull()) img.fill(Qt::transparent);
    return img;
}

QColor Opaque(uint32_t bgr) {
    const uint32_t argb = ToArgb(bgr, 0, 0);
    return QColor::fromRgba(argb);
}

const QFont& LabelFont() {
    static const QFont font = [] {
        FontObject f;
        if (f.Create(QString::fromUtf8("微软雅黑"), 11.0f, FontStyleRegular, UnitWorld) && f.Font() != nullptr)
            return *f.Font();
        QFont q(QString::fromUtf8("微软雅黑"));
        q.setPixelSize(11);
        return q;
    }();
    return font;
}

// Text in the layout rectangle with the default layout: top-left, wrapping at words, clipped to it.
void DrawLabelText(QPainter& p, const QRectF& layout, const QString& text) {
    p.setFont(LabelFont());
    p.setPen(Qt::white);
    p.save();
    p.setClipRect(layout);
    p.drawText(layout, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    p.restore();
}

// A rounded rectangle as the graphics layer builds it: quarter arcs in squares of side `size`, the far
// corners inset by size + 3, joined by straight lines.
QPainterPath RoundedRect(double x, double y, double width, double height, int size) {
    if (size < 1) size = 1;
    if (size > 100) size = 100;
    const double s = size;
    const double d = s + 3;
    QPainterPath path;
    // Arcs are given clockwise on screen; Qt measures counter-clockwise.
    path.arcMoveTo(QRectF(x, y, s, s), -180);
    path.arcTo(QRectF(x, y, s, s), -180, -90);
    path.arcTo(QRectF(x + width - d, y, s, s), -270, -90);
    path.arcTo(QRectF(x + width - d, y + height - d, s, s), 0, -90);
    path.arcTo(QRectF(x, y + height - d, s, s), -90, -90);
    path.closeSubpath();
    return path;
}

QImage LoadPicture(const char* resource) {
    InitResources();
    QFile f(QString::fromLatin1(resource));
    if (!f.open(QIODevice::ReadOnly)) return QImage();
    QImage img;
    img.loadFromData(f.readAll());
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

QString SelectionSizeText() {
    const Rect& r = Overlay().SelectionRect;
    const long long w = std::llabs(static_cast<long long>(r.right) - r.left);
    const long long h = std::llabs(static_cast<long long>(r.bottom) - r.top);
    return QString::number(w) + QString::fromUtf8(" × ") + QString::number(h);
}

void ForgetRenderCaches() {
    Caches& c = Cache();
    c.dimmed = QImage();
    c.dimmedBright = c.dimmedDim = nullptr;
    c.snapshot = QImage();
    c.snapshotData = nullptr;
    c.snapshotSize = 0;
    c.snapshotDecoded = false;
    c.drawnOverBase = Caches::Everything();
    c.changed = Caches::Everything();
}

void NoteCanvasChanged(const QRect& area) { Touch(area); }

QRegion TakeChangedRegion() {
    QRegion r = Cache().changed;
    Cache().changed = QRegion();
    return r;
}

void DrawDimmedBase() {
    QImage* canvas = CanvasImage();
    const QImage* bright = LayerImage(Overlay().BrightLayer);
    const QImage* dim = LayerImage(Overlay().DimLayer);
    if (canvas == nullptr) return;
    Caches& c = Cache();
    LayeredWindowCanvas* wc = Overlay().WindowCanvas;
    if (!c.dimmed.isNull() && c.dimmedBright == bright && c.dimmedDim == dim && c.dimmed.size() == canvas->size()) {
        // Outside the places drawn over since the last base the canvas holds the base already.
        const QRegion restore = c.drawnOverBase.intersected(canvas->rect());
        for (const QRect& r : restore)
            wc->Blend(&c.dimmed, r.x(), r.y(), r.width(), r.height(), r.x(), r.y(), r.width(), r.height(), 255, false);
        c.changed += restore;
        c.drawnOverBase = QRegion();
        return;
    }
    const int w = canvas->width();
    const int h = canvas->height();
    Blend(bright, 0, 0, w, h, 0, 0, 255, false);
    Blend(dim, 0, 0, w, h, 0, 0, 128, false);
    // Only a base made from both layers is kept; without them the canvas keeps what it had.
    if (bright != nullptr && dim != nullptr) {
        c.dimmed = canvas->copy();
        c.dimmedBright = bright;
        c.dimmedDim = dim;
        c.drawnOverBase = QRegion();
        c.changed += canvas->rect();
    }
}

void DrawSelectionFrame(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t frameColour,
                        uint32_t handleColour) {
    LayeredWindowCanvas* canvas = Overlay().WindowCanvas;
    if (canvas == nullptr || canvas->DeviceContext() == nullptr) return;
    int64_t w = int64_t(right) - left;
    int64_t h = int64_t(bottom) - top;
    if (w == 0) w = 1;
    if (h == 0) h = 1;

    // The selected region undimmed, clipped to the layer.
    if (const QImage* bright = LayerImage(Overlay().BrightLayer); bright != nullptr && w > 0 && h > 0) {
        const QRect region = QRect(left, top, int(w), int(h)).intersected(bright->rect());
        if (!region.isEmpty())
            Blend(bright, region.x(), region.y(), region.width(), region.height(), region.x(), region.y(), 255,
                  false);
    }

    // The frame surface ((w + 5) x (h + 5) at left - 2, top - 2) holds only the opaque, unsmoothed
    // frame line and handles, so they are drawn straight onto the canvas, clipped to that surface: the
    // same pixels without a selection-sized temporary.
    if (w > 0 && h > 0) {
        QPainter* p = canvas->BackBuffer().Painter();
        if (p != nullptr) {
            p->save();
            p->setRenderHint(QPainter::Antialiasing, false);
            p->setCompositionMode(QPainter::CompositionMode_SourceOver);
            p->setOpacity(1.0);
            p->translate(double(left) - 2, double(top) - 2);
            p->setClipRect(QRectF(0, 0, double(w) + 5, double(h) + 5));
            QPen pen(Opaque(frameColour));
            pen.setWidthF(1.0);
            p->setPen(pen);
            p->setBrush(Qt::NoBrush);
            p->drawRect(QRectF(2, 2, double(w), double(h)));
            const QColor hc = Opaque(handleColour);
            const double wf = double(w);
            const double hf = double(h);
            const QPointF squares[8] = {{0, 0},          {wf / 2 - 2, 0},  {wf, 0},      {0, hf / 2},
                                        {wf, hf / 2},    {0, hf},          {wf / 2, hf}, {wf, hf}};
            for (const QPointF& s : squares) p->fillRect(QRectF(s.x(), s.y(), 5, 5), hc);
            p->restore();
            Touch(QRect(left - 2, top - 2, int(w) + 5, int(h) + 5));
        }
    }

    // The size label: a black box at alpha 128 and the white text over it.
    QImage box(72, 20, QImage::Format_ARGB32_Premultiplied);
    box.fill(QColor(0, 0, 0, 255));
    QImage text = Transparent(72, 20);
    {
        QPainter tp(&text);
        DrawLabelText(tp, QRectF(8, 2, 62, 14), SelectionSizeText());
    }
    if (top >= 23) {
        BlendWhole(box, left, top - 23, 128);
        BlendWhole(text, left, top - 23, 255);
    } else {
        BlendWhole(box, left, top + 1, 128);
        BlendWhole(text, left - 2, top + 1, 255);
    }
}

void DrawToolbar(const Rect& box, int32_t screenHeight) {
    OverlayState& s = Overlay();
    const QImage& picture = ToolbarPicture();
    const int pw = picture.isNull() ? 325 : picture.width();
    const int ph = picture.isNull() ? 24 : picture.height();
    const int sw = pw - 238;
    const int sh = ph + 4;
    QImage surface = Transparent(sw, sh);
    {
        QPainter p(&surface);
        QPen pen(Opaque(0x00FFAE00u));  // 0, 174, 255
        pen.setWidthF(1.0);
        p.setPen(pen);
        p.setBrush(Opaque(0x00FFEEDEu));  // 222, 238, 255
        p.drawPath(RoundedRect(0, 0, sw + 2, sh, 3));
        if (box.left != 0 && box.top != 0 && box.right != 0 && box.bottom != 0) {
            QPen hp(Opaque(0x00E4872Au));  // 42, 135, 228
            hp.setWidthF(1.0);
            p.setPen(hp);
            p.setBrush(Opaque(0x00FFE5AFu));  // 175, 229, 255
            p.drawPath(RoundedRect(box.left, box.top, double(box.right) - box.left + 2,
                                   double(box.bottom) - box.top + 2, 3));
        }
        if (!picture.isNull()) p.drawImage(QRectF(1, 1, pw, ph), picture);
    }

    const Rect sel = s.SelectionRect;
    Rect t;
    if (double(sel.bottom) + ph + 10 <= double(screenHeight) + kTolerance) {
        t.left = sel.right - sw;
        t.top = sel.bottom + 6;
        t.right = sel.right;
        t.bottom = t.top + sh;
    } else if (double(sel.top) - ph - 8 >= 1 - kTolerance) {
        t.left = sel.right - sw;
        t.top = sel.top - sh - 4;
        t.right = sel.right;
        t.bottom = sel.top - 4;
    } else {
        t.left = sel.right - sw;
        t.top = sel.top + 5;
        t.right = sel.right;
        t.bottom = t.top + sh;
    }
    if (double(t.left) < 5 - kTolerance) {
        t.right = t.right - t.left + 5;
        t.left = 5;
    }
    s.ToolbarRect = t;
    BlendWhole(surface, t.left, t.top, 255);
}

const QImage& DecodedSnapshot() {
    Caches& c = Cache();
    const Bytes& snap = Overlay().CaptureSnapshot;
    const void* data = snap.data().data();
    if (!c.snapshotDecoded || c.snapshotData != data || c.snapshotSize != snap.size()) {
        c.snapshot = snap.empty() ? QImage() : DecodeBmp(snap);
        if (c.snapshot.isNull() && !snap.empty()) c.snapshot.loadFromData(snap.ptr(), int(snap.size()));
        // Kept in the canvas's own pixel format: drawing a part of it then converts nothing.
        if (!c.snapshot.isNull() && c.snapshot.format() != QImage::Format_ARGB32_Premultiplied &&
            c.snapshot.format() != QImage::Format_RGB32)
            c.snapshot = std::move(c.snapshot).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        c.snapshotData = data;
        c.snapshotSize = snap.size();
        c.snapshotDecoded = true;
    }
    return c.snapshot;
}

void DrawMagnifier(Point pointer, int32_t screenWidth, int32_t screenHeight) {
    const int mx = pointer.x;
    const int my = pointer.y;
    int x = mx + 5;
    int y = my + 25;
    if (double(mx) + 135 > double(screenWidth) + kTolerance) x = mx - 127;
    if (double(my) + 170 > double(screenHeight) + kTolerance) y = my - 145;

    const QPainterPath path = RoundedRect(0, 0, 126, 123, 3);
    QImage m = Transparent(124, 121);
    QImage k = Transparent(124, 121);
    QImage c = Transparent(124, 84);
    {
        QPainter kp(&k);
        kp.setPen(Qt::NoPen);
        kp.setBrush(QColor(0, 0, 0));
        kp.drawPath(path);
    }
    QPainter mp(&m);
    {
        QPen pen(QColor(51, 51, 51));
        pen.setWidthF(1.0);
        mp.setPen(pen);
        mp.setBrush(Qt::NoBrush);
        mp.drawPath(path);
        QPen white(QColor(255, 255, 255));
        white.setWidthF(2.0);
        mp.setPen(white);
        mp.drawRect(QRectF(2, 2, 120, 84));
    }
    const QImage& snap = DecodedSnapshot();
    if (!snap.isNull()) {
        mp.setRenderHint(QPainter::SmoothPixmapTransform, false);
        mp.drawImage(QRectF(3, 3, 118, 84), snap, QRectF(mx - 14, my - 11, 30, 21));
    }
    {
        QPainter cp(&c);
        QPen pen(QColor(0, 122, 179));
        pen.setWidthF(4.0);
        cp.setPen(pen);
        cp.drawLine(QPointF(3, 43.5), QPointF(121, 43.5));
        cp.drawLine(QPointF(58.5, 3), QPointF(59, 87));
    }
    const QRgb under = m.pixel(60, 44);
    const QString colourText = QString::fromLatin1("RGB:(%1,%2,%3)").arg(qRed(under)).arg(qGreen(under)).arg(qBlue(under));
    DrawLabelText(mp, QRectF(4, 90, 122, 16), SelectionSizeText());
    DrawLabelText(mp, QRectF(4, 104, 122, 16), colourText);
    mp.end();

    BlendWhole(k, x + 3, y + 3, 40);
    BlendWhole(k, x, y, 200);
    BlendWhole(m, x, y, 255);
    BlendWhole(c, x, y, 200);
    Cache().colourText = colourText;
    Cache().magnifierPlace = Point{x, y};
}

QString LastMagnifierColourText() { return Cache().colourText; }
Point LastMagnifierPlace() { return Cache().magnifierPlace; }

const QImage& ToolbarPicture() {
    static const QImage picture = LoadPicture(kToolbarPicturePath);
    return picture;
}

const CursorImage& OverlayCursorImage() {
    static const CursorImage cursor = [] {
        CursorImage ci;
        InitResources();
        QFile f(QString::fromLatin1(kOverlayCursorPath));
        if (!f.open(QIODevice::ReadOnly)) return ci;
        const QByteArray data = f.readAll();
        const CursorPicture cp = DecodeCursorFile(Bytes(data.constData(), size_t(data.size())));
        if (cp.image.empty()) return ci;
        QImage img(cp.image.width, cp.image.height, QImage::Format_ARGB32);
        for (int yy = 0; yy < cp.image.height; ++yy)
            std::memcpy(img.scanLine(yy), &cp.image.pixels[size_t(yy) * size_t(cp.image.width)],
                        size_t(cp.image.width) * 4u);
        ci.image = img;
        ci.hotX = cp.hotX;
        ci.hotY = cp.hotY;
        return ci;
    }();
    return cursor;
}

}  // namespace ql
