// The graphics object layer: one wrapper class per kind of drawing object (image, bitmap, surface, pen,
// solid brush, font, path, string format, image attributes) and a memory stream for byte buffers.
//
// Conventions shared by every wrapper:
// - A wrapper is created empty (no native object). Create/load operations first release what the wrapper
//   holds, then make a new native object ("create or replace").
// - Operations never throw. Each one records its status in the process-wide LastStatus() (0 = Ok) and
//   the boolean ones return true exactly when that status is 0. A failed create leaves the wrapper empty.
// - Drawing with an empty wrapper draws nothing and fails with InvalidParameter.
// - Destroying a wrapper releases its native object. Wrappers are not copyable.
// - Colours are 32-bit 0xAARRGGBB. Drawing coordinates are floats, sizes of surfaces are pixels.
// - A Surface is a 32-bit premultiplied-alpha image (QImage::Format_ARGB32_Premultiplied, bytes in
//   memory blue, green, red, alpha) with a painter; its "device context" and "bitmap handle" are that image.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QString>

#include "web/text.h"

namespace ql {

// Status codes, numbered as the platform's drawing library numbers them.
enum GpStatus : int32_t {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    ObjectBusy = 4,
    InsufficientBuffer = 5,
    NotImplemented = 6,
    Win32Error = 7,
    WrongState = 8,
    Aborted = 9,
    FileNotFound = 10,
    ValueOverflow = 11,
    AccessDenied = 12,
    UnknownImageFormat = 13,
    FontFamilyNotFound = 14,
    FontStyleNotFound = 15,
    NotTrueTypeFont = 16,
};

// The process-wide status of the last wrapper operation (GUI thread only; never read by the overlay).
int32_t LastStatus();
void SetLastStatus(int32_t status);

// Enumeration values used by the overlay.
constexpr int UnitWorld = 0;
constexpr int UnitDisplay = 1;
constexpr int UnitPixel = 2;
constexpr int UnitPoint = 3;
constexpr int FontStyleRegular = 0;
constexpr int FontStyleBold = 1;
constexpr int FontStyleItalic = 2;
constexpr int FillModeAlternate = 0;
constexpr int FillModeWinding = 1;
constexpr int InterpolationModeDefault = 0;
constexpr int InterpolationModeBilinear = 3;
constexpr int InterpolationModeNearestNeighbor = 5;
constexpr int32_t PixelFormat24bppRGB = 0x00021808;
constexpr int32_t PixelFormat32bppRGB = 0x00022009;
constexpr int32_t PixelFormat32bppARGB = 0x0026200A;
constexpr int32_t PixelFormat32bppPARGB = 0x000E200B;

// Image format identifiers as GUID texts (what RawFormat() returns and SaveToBytes() looks encoders up by).
inline constexpr const char* ImageFormatMemoryBMP = "{B96B3CAA-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* ImageFormatBMP = "{B96B3CAB-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* ImageFormatEMF = "{B96B3CAC-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* ImageFormatJPEG = "{B96B3CAE-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* ImageFormatPNG = "{B96B3CAF-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* ImageFormatGIF = "{B96B3CB0-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* ImageFormatTIFF = "{B96B3CB1-0728-11D3-9D7B-0000F81EF32E}";
inline constexpr const char* ImageFormatIcon = "{B96B3CB5-0728-11D3-9D7B-0000F81EF32E}";

// The "device context" and "bitmap handle" of a surface: its pixel image (nullptr when there is none).
using DeviceContextRef = QImage*;
using BitmapRef = QImage*;

struct RectF {
    float x = 0, y = 0, width = 0, height = 0;
};

// Common base: holds the native handle (a pointer to the Qt object the wrapper owns, or nullptr).
class GraphicsObject {
public:
    GraphicsObject() = default;
    GraphicsObject(const GraphicsObject&) = delete;
    GraphicsObject& operator=(const GraphicsObject&) = delete;
    virtual ~GraphicsObject() = default;

    void* Handle() const { return handle_; }
    bool IsEmpty() const { return handle_ == nullptr; }

protected:
    // Every change of the handle goes through here, so the derived class's copy stays equal.
    void SetHandle(void* handle) {
        handle_ = handle;
        HandleChanged(handle);
    }
    virtual void HandleChanged(void* handle) {}

private:
    void* handle_ = nullptr;
};

// A byte buffer that images are decoded from and encoded into.
class MemoryStreamObject {
public:
    MemoryStreamObject() = default;
    MemoryStreamObject(const MemoryStreamObject&) = delete;
    MemoryStreamObject& operator=(const MemoryStreamObject&) = delete;
    ~MemoryStreamObject() { Close(); }

    // Closes any previous stream and opens one holding a copy of the bytes.
    bool OpenFromBytes(const ql::Bytes& bytes);
    // A copy of the stream's bytes (empty when none is open).
    ql::Bytes Bytes() const { return block_ ? *block_ : ql::Bytes(); }
    void Close() { block_.reset(); }
    bool IsOpen() const { return block_ != nullptr; }
    // The stream's block for writing into (an encoder's output); opens an empty one when none is open.
    ql::Bytes& Block();

private:
    std::unique_ptr<ql::Bytes> block_;
};

class ImageObject : public GraphicsObject {
public:
    ImageObject() = default;
    ~ImageObject() override;

    // Decodes BMP (ours), PNG, JPEG, GIF and the other formats Qt reads. useIcm is accepted and ignored.
    virtual bool LoadFromBytes(const Bytes& bytes, bool useIcm = false);
    virtual bool Dispose();
    uint32_t Width() const;
    uint32_t Height() const;
    // The image's format identifier as GUID text, e.g. ImageFormatBMP; empty text when empty.
    Text RawFormat() const;
    // Encodes the image with the encoder whose format identifier text equals formatText exactly
    // (the image's own RawFormat() when formatText is empty). No such encoder: empty bytes.
    Bytes SaveToBytes(const Text& formatText = Text()) const;

    // The decoded pixels (Format_ARGB32 or Format_RGB32), nullptr when empty.
    QImage* Image() const { return image_.get(); }
    // Shared ownership for surfaces that draw into this image, so they never outlive the pixels.
    std::shared_ptr<QImage> SharedImage() const { return image_; }

protected:
    void HandleChanged(void* handle) override { imageHandle_ = handle; }
    bool ReleaseImage();
    void Adopt(std::shared_ptr<QImage> image, Text rawFormat);

    std::shared_ptr<QImage> image_;
    Text rawFormat_;
    MemoryStreamObject stream_;

private:
    void* imageHandle_ = nullptr;
};

class BitmapObject : public ImageObject {
public:
    BitmapObject() = default;
    ~BitmapObject() override;

    // A blank bitmap, all pixels transparent black. pixelFormat: one of the PixelFormat* values.
    bool CreateBlank(int32_t width, int32_t height, int32_t pixelFormat = PixelFormat32bppARGB);
    bool LoadFromBytes(const Bytes& bytes, bool useIcm = false) override;
    bool Dispose() override;

protected:
    void HandleChanged(void* handle) override;

private:
    void* bitmapHandle_ = nullptr;
    MemoryStreamObject bitmapStream_;
};

class PenObject;
class SolidBrushObject;
class FontObject;
class PathObject;
class StringFormatObject;
class ImageAttributesObject;

// A drawing surface. Create() gives it its own 32-bit pixels (all zero: transparent black);
// FromImage() makes it draw into an image or bitmap instead.
class Surface : public GraphicsObject {
public:
    Surface();
    ~Surface() override;

    bool Create(int32_t width, int32_t height);
    bool FromImage(const ImageObject& image);
    bool Release();

    // InterpolationModeNearestNeighbor scales images without smoothing; the default is bilinear.
    bool SetInterpolationMode(int mode);

    bool DrawLine(const PenObject& pen, float x1, float y1, float x2, float y2);
    bool DrawRectangle(const PenObject& pen, float x, float y, float width, float height);
    bool FillRectangle(const SolidBrushObject& brush, float x, float y, float width, float height);
    bool DrawPath(const PenObject& pen, const PathObject& path);
    bool FillPath(const SolidBrushObject& brush, const PathObject& path);
    // text is GBK. An empty format wrapper gives the default layout (top-left, wrapping at words).
    bool DrawString(const Text& text, const FontObject& font, const SolidBrushObject& brush,
                    const RectF& layoutRect, const StringFormatObject& format);
    bool DrawString(const Text& text, const FontObject& font, const SolidBrushObject& brush,
                    const RectF& layoutRect);
    bool DrawString(const QString& text, const FontObject& font, const SolidBrushObject& brush,
                    const RectF& layoutRect);
    // The whole image scaled into the rectangle.
    bool DrawImage(const ImageObject& image, float x, float y, float width, float height);
    // A part of the image (pixel units) into the destination rectangle; attributes may be empty.
    bool DrawImagePart(const ImageObject& image, float dstX, float dstY, float dstWidth, float dstHeight,
                       float srcX, float srcY, float srcWidth, float srcHeight,
                       const ImageAttributesObject& attributes);
    bool DrawImagePart(const ImageObject& image, float dstX, float dstY, float dstWidth, float dstHeight,
                       float srcX, float srcY, float srcWidth, float srcHeight);

    // The surface's own pixels (nullptr for an empty surface or one made by FromImage).
    DeviceContextRef DeviceContext() const { return ownsPixels_ ? target_.get() : nullptr; }
    BitmapRef BitmapHandle() const { return DeviceContext(); }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // The colour at x, y as 0x00BBGGRR (the stored bytes, alpha ignored); 0xFFFFFFFF outside or without pixels.
    uint32_t PixelAt(int x, int y) const;

    // The painter, for callers that need a drawing operation this layer does not wrap (nullptr when empty).
    QPainter* Painter() const { return painter_.get(); }

protected:
    void HandleChanged(void* handle) override { surfaceHandle_ = handle; }

private:
    bool Ready() const;

    void* surfaceHandle_ = nullptr;
    std::shared_ptr<QImage> target_;  // what the painter draws into
    std::unique_ptr<QPainter> painter_;
    bool ownsPixels_ = false;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

class PenObject : public GraphicsObject {
public:
    PenObject() = default;
    ~PenObject() override;
    bool Create(uint32_t argb, float width = 1.0f, int unit = UnitWorld);
    bool SetWidth(float width);
    bool SetColor(uint32_t argb);
    bool Delete();
    const QPen* Pen() const { return pen_.get(); }

protected:
    void HandleChanged(void* handle) override { penHandle_ = handle; }

private:
    void* penHandle_ = nullptr;
    std::unique_ptr<QPen> pen_;
};

class SolidBrushObject : public GraphicsObject {
public:
    SolidBrushObject() = default;
    ~SolidBrushObject() override;
    bool Create(uint32_t argb);
    bool SetColor(uint32_t argb);
    bool Delete();
    const QBrush* Brush() const { return brush_.get(); }

protected:
    void HandleChanged(void* handle) override { brushHandle_ = handle; }

private:
    void* brushHandle_ = nullptr;
    std::unique_ptr<QBrush> brush_;
};

class FontObject : public GraphicsObject {
public:
    FontObject() = default;
    ~FontObject() override;
    // familyName is GBK. Fails with FontFamilyNotFound when the family (or its substitute) is not installed.
    // UnitWorld and UnitPixel sizes are pixels, UnitPoint sizes points.
    bool Create(const Text& familyName, float emSize, int style = FontStyleRegular, int unit = UnitWorld);
    bool Create(const QString& familyName, float emSize, int style = FontStyleRegular, int unit = UnitWorld);
    bool Delete();
    const QFont* Font() const { return font_.get(); }

protected:
    void HandleChanged(void* handle) override { fontHandle_ = handle; }

private:
    void* fontHandle_ = nullptr;
    std::unique_ptr<QFont> font_;
};

class PathObject : public GraphicsObject {
public:
    PathObject() = default;
    ~PathObject() override;
    bool Create(int fillMode = FillModeAlternate);
    bool Reset();
    // Angles in degrees, clockwise from the positive x axis (y grows downwards). Consecutive arcs of
    // one figure are joined by straight lines.
    bool AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle);
    bool CloseAllFigures();
    bool Delete();
    const QPainterPath* Path() const { return path_.get(); }

protected:
    void HandleChanged(void* handle) override { pathHandle_ = handle; }

private:
    void* pathHandle_ = nullptr;
    std::unique_ptr<QPainterPath> path_;
    bool figureOpen_ = false;
};

// Used empty by the overlay (the default layout); Create() makes a default format.
class StringFormatObject : public GraphicsObject {
public:
    StringFormatObject() = default;
    ~StringFormatObject() override;
    bool Create(int formatFlags = 0, int language = 0);
    bool Delete();
    int Flags() const { return flags_; }

protected:
    void HandleChanged(void* handle) override { formatHandle_ = handle; }

private:
    void* formatHandle_ = nullptr;
    std::unique_ptr<int> native_;
    int flags_ = 0;
};

// Used empty by the overlay (no attributes); Create() makes identity attributes.
class ImageAttributesObject : public GraphicsObject {
public:
    ImageAttributesObject() = default;
    ~ImageAttributesObject() override;
    bool Create();
    bool Dispose();

protected:
    void HandleChanged(void* handle) override { attributesHandle_ = handle; }

private:
    void* attributesHandle_ = nullptr;
    std::unique_ptr<int> native_;
};

// Appends a rounded rectangle to the path. size is clamped to 1..100; each corner is a quarter arc whose
// bounding square has side size, and the far corners are inset by size + 3, so the figure spans
// x .. x + width - 3 and y .. y + height - 3.
bool AddRoundedRectangle(PathObject& path, float x, float y, float width, float height, int size);

// Copies the source rectangle into the destination rectangle, scaling by nearest neighbour. A negative
// width or height mirrors that axis, as a stretching copy does: source row sy + sh + 1 .. sy for sh < 0.
// The source rectangle must lie inside the source; the destination is clipped. Sets LastStatus.
bool StretchBlt(DeviceContextRef dst, int dx, int dy, int dw, int dh, DeviceContextRef src, int sx, int sy,
                int sw, int sh);
// The pixel bytes of a surface's bitmap, top row first, 4 bytes per pixel (blue, green, red, alpha),
// width * 4 bytes per row, as the stored (premultiplied) values. Empty for nullptr.
Bytes GetBitmapBits(BitmapRef bitmap);

// Registers the font substitution of the family the overlay asks for ("微软雅黑") towards an installed CJK
// family, unless that family is installed or a substitution exists. FontObject::Create calls it.
void EnsureFontSubstitutions();

// GBK text to a QString (invalid sequences become U+FFFD).
QString GbkToQString(std::string_view gbk);

}  // namespace ql
