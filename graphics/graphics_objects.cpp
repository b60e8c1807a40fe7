#include "graphics/graphics_objects.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <QBrush>
#include <QBuffer>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include "graphics/blend.h"
#include "graphics/bmp_codec.h"

namespace ql {

namespace {

std::atomic<int32_t> g_lastStatus{0};

bool Status(int32_t status) {
    g_lastStatus.store(status, std::memory_order_relaxed);
    return status == Ok;
}

QColor ColorFromArgb(uint32_t argb) {
    return QColor(static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
                  static_cast<int>(argb & 0xFF), static_cast<int>(argb >> 24));
}

bool Finite(std::initializer_list<float> values) {
    for (float v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// The format identifier of encoded picture bytes, from their signature.
Text SniffFormat(const Bytes& bytes) {
    const unsigned char* p = bytes.ptr();
    const size_t n = bytes.size();
    auto starts = [&](const char* sig, size_t len) { return n >= len && std::memcmp(p, sig, len) == 0; };
    if (starts("BM", 2)) return ImageFormatBMP;
    if (starts("\x89PNG\r\n\x1a\n", 8)) return ImageFormatPNG;
    if (starts("\xFF\xD8\xFF", 3)) return ImageFormatJPEG;
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) return ImageFormatGIF;
    if (starts("II*\0", 4) || starts("MM\0*", 4)) return ImageFormatTIFF;
    if (starts("\0\0\1\0", 4)) return ImageFormatIcon;
    return Text();
}

// Decoded pixels in one of the two 32-bit forms images keep (straight alpha or opaque).
std::shared_ptr<QImage> Decode(const Bytes& bytes, Text* format, int32_t* status) {
    *format = SniffFormat(bytes);
    if (format->empty()) {
        *status = bytes.empty() ? InvalidParameter : UnknownImageFormat;
        return nullptr;
    }
    QImage image;
    if (format->str() == ImageFormatBMP) {
        image = DecodeBmp(bytes);
    } else {
        QByteArray data = QByteArray::fromRawData(bytes.data().data(), static_cast<qsizetype>(bytes.size()));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setAutoTransform(false);
        image = reader.read();
        if (!image.isNull()) {
            image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        }
    }
    if (image.isNull()) {
        *status = OutOfMemory;  // what the platform reports for undecodable data
        return nullptr;
    }
    *status = Ok;
    return std::make_shared<QImage>(std::move(image));
}

struct Encoder {
    const char* clsid;
    const char* formatId;
    const char* mime;
    const char* qtFormat;  // nullptr: our own BMP writer
};

// The encoders, in the order the platform lists them. Only those Qt can write are offered.
const Encoder kEncoders[] = {
    {"{557CF400-1A04-11D3-9A73-0000F81EF32E}", ImageFormatBMP, "image/bmp", nullptr},
    {"{557CF401-1A04-11D3-9A73-0000F81EF32E}", ImageFormatJPEG, "image/jpeg", "jpeg"},
    {"{557CF402-1A04-11D3-9A73-0000F81EF32E}", ImageFormatGIF, "image/gif", "gif"},
    {"{557CF405-1A04-11D3-9A73-0000F81EF32E}", ImageFormatTIFF, "image/tiff", "tiff"},
    {"{557CF406-1A04-11D3-9A73-0000F81EF32E}", ImageFormatPNG, "image/png", "png"},
};

const Encoder* FindEncoder(const Text& formatText) {
    for (const Encoder& e : kEncoders) {
        if (formatText.str() != e.formatId) continue;
        if (e.qtFormat && !QImageWriter::supportedImageFormats().contains(e.qtFormat)) return nullptr;
        return &e;
    }
    return nullptr;
}

// The pixels of a surface: calloc'd, so a new surface is all zero bytes without touching every page.
std::shared_ptr<QImage> NewZeroImage(int32_t width, int32_t height) {
    const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4;
    if (bytes > uint64_t(std::numeric_limits<qsizetype>::max()) / 2) return nullptr;
    void* data = std::calloc(static_cast<size_t>(bytes), 1);
    if (!data) return nullptr;
    auto image = std::make_shared<QImage>(static_cast<uchar*>(data), width, height,
                                          static_cast<qsizetype>(width) * 4, QImage::Format_ARGB32_Premultiplied,
                                          [](void* p) { std::free(p); }, data);
    if (image->isNull()) return nullptr;
    return image;
}

}  // namespace

int32_t LastStatus() { return g_lastStatus.load(std::memory_order_relaxed); }
void SetLastStatus(int32_t status) { g_lastStatus.store(status, std::memory_order_relaxed); }

QString GbkToQString(std::string_view gbk) {
    if (gbk.empty()) return QString();
    iconv_t cd = iconv_open("UTF-16LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) return QString::fromLatin1(gbk.data(), static_cast<qsizetype>(gbk.size()));
    std::u16string out;
    out.resize(gbk.size() * 2 + 4);
    char* in = const_cast<char*>(gbk.data());
    size_t inLeft = gbk.size();
    char* o = reinterpret_cast<char*>(out.data());
    size_t oLeft = out.size() * 2;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &o, &oLeft) != static_cast<size_t>(-1)) break;
        if (errno == EILSEQ || errno == EINVAL) {
            // Skip the byte that does not start a character; write a replacement character for it.
            ++in;
            --inLeft;
            if (oLeft >= 2) {
                const char16_t r = 0xFFFD;
                std::memcpy(o, &r, 2);
                o += 2;
                oLeft -= 2;
            }
        } else {
            break;
        }
    }
    iconv_close(cd);
    const size_t units = (out.size() * 2 - oLeft) / 2;
    return QString::fromUtf16(out.data(), static_cast<qsizetype>(units));
}

void EnsureFontSubstitutions() {
    static bool done = false;
    if (done || !QGuiApplication::instance()) return;
    done = true;
    const QString wanted = QString::fromUtf8("微软雅黑");
    const QStringList families = QFontDatabase::families();
    if (families.contains(wanted) || !QFont::substitutes(wanted).isEmpty()) return;
    for (const char* candidate : {"Microsoft YaHei", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans SC",
                                  "Source Han Sans SC", "WenQuanYi Zen Hei", "AR PL UMing CN"}) {
        if (families.contains(QString::fromLatin1(candidate))) {
            QFont::insertSubstitution(wanted, QString::fromLatin1(candidate));
            return;
        }
    }
}

// ---- MemoryStreamObject

bool MemoryStreamObject::OpenFromBytes(const ql::Bytes& bytes) {
    Close();
    block_ = std::make_unique<ql::Bytes>(bytes);
    return true;
}

ql::Bytes& MemoryStreamObject::Block() {
    if (!block_) block_ = std::make_unique<ql::Bytes>();
    return *block_;
}

// ---- ImageObject

ImageObject::~ImageObject() { ReleaseImage(); }

void ImageObject::Adopt(std::shared_ptr<QImage> image, Text rawFormat) {
    image_ = std::move(image);
    rawFormat_ = std::move(rawFormat);
    SetHandle(image_.get());
}

bool ImageObject::ReleaseImage() {
    if (IsEmpty()) return false;
    image_.reset();
    rawFormat_ = Text();
    SetHandle(nullptr);
    return Status(Ok);
}

bool ImageObject::LoadFromBytes(const Bytes& bytes, bool useIcm) {
    if (!IsEmpty()) Dispose();
    stream_.OpenFromBytes(bytes);
    Text format;
    int32_t status = Ok;
    auto image = Decode(bytes, &format, &status);
    if (!image) {
        stream_.Close();
        return Status(status);
    }
    Adopt(std::move(image), format);
    return Status(Ok);
}

bool ImageObject::Dispose() {
    if (IsEmpty()) return false;
    ReleaseImage();
    stream_.Close();
    return Status(Ok);
}

uint32_t ImageObject::Width() const {
    if (!image_) return Status(InvalidParameter), 0;
    Status(Ok);
    return static_cast<uint32_t>(image_->width());
}

uint32_t ImageObject::Height() const {
    if (!image_) return Status(InvalidParameter), 0;
    Status(Ok);
    return static_cast<uint32_t>(image_->height());
}

Text ImageObject::RawFormat() const {
    if (!image_) return Status(InvalidParameter), Text();
    Status(Ok);
    return rawFormat_;
}

Bytes ImageObject::SaveToBytes(const Text& formatText) const {
    if (!image_) return Status(InvalidParameter), Bytes();
    const Text format = formatText.empty() ? rawFormat_ : formatText;
    const Encoder* encoder = FindEncoder(format);
    if (!encoder) return Status(FileNotFound), Bytes();  // no encoder: the save fails
    if (!encoder->qtFormat) {
        Bytes out = EncodeBmp(*image_);
        Status(out.empty() ? GenericError : Ok);
        return out;
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, encoder->qtFormat);
    if (!writer.write(*image_)) return Status(Win32Error), Bytes();
    Status(Ok);
    return Bytes(data.constData(), static_cast<size_t>(data.size()));
}

// ---- BitmapObject

BitmapObject::~BitmapObject() {
    if (!IsEmpty()) Dispose();
}

void BitmapObject::HandleChanged(void* handle) {
    ImageObject::HandleChanged(handle);
    bitmapHandle_ = handle;
}

bool BitmapObject::CreateBlank(int32_t width, int32_t height, int32_t pixelFormat) {
    if (!IsEmpty()) Dispose();
    if (width <= 0 || height <= 0) return Status(InvalidParameter);
    QImage::Format format;
    switch (pixelFormat) {
        case PixelFormat32bppARGB: format = QImage::Format_ARGB32; break;
        case PixelFormat32bppPARGB: format = QImage::Format_ARGB32_Premultiplied; break;
        case PixelFormat32bppRGB: format = QImage::Format_RGB32; break;
        case PixelFormat24bppRGB: format = QImage::Format_RGB888; break;
        default: return Status(InvalidParameter);
    }
    if (uint64_t(width) * uint64_t(height) * 4 > uint64_t(std::numeric_limits<int32_t>::max()))
        return Status(OutOfMemory);
    auto image = std::make_shared<QImage>(width, height, format);
    if (image->isNull()) return Status(OutOfMemory);
    image->fill(0);  // transparent black (black for the formats without alpha)
    Adopt(std::move(image), ImageFormatMemoryBMP);
    return Status(Ok);
}

bool BitmapObject::LoadFromBytes(const Bytes& bytes, bool useIcm) {
    if (!IsEmpty()) Dispose();
    bitmapStream_.OpenFromBytes(bytes);
    Text format;
    int32_t status = Ok;
    auto image = Decode(bytes, &format, &status);
    if (!image) {
        bitmapStream_.Close();
        return Status(status);
    }
    Adopt(std::move(image), format);
    return Status(Ok);
}

bool BitmapObject::Dispose() {
    if (IsEmpty()) return false;
    ReleaseImage();
    stream_.Close();
    bitmapStream_.Close();
    return Status(Ok);
}

// ---- Surface

Surface::Surface() = default;

Surface::~Surface() {
    if (!IsEmpty()) Release();
}

bool Surface::Ready() const { return !IsEmpty() && painter_ && painter_->isActive(); }

bool Surface::Create(int32_t width, int32_t height) {
    if (!IsEmpty()) Release();
    if (width <= 0 || height <= 0) return Status(InvalidParameter);
    auto image = NewZeroImage(width, height);
    if (!image) return Status(OutOfMemory);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(image.get())) return Status(GenericError);
    // The drawing library's defaults: no antialiasing of shapes, bilinear image scaling.
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    target_ = std::move(image);
    painter_ = std::move(painter);
    ownsPixels_ = true;
    width_ = width;
    height_ = height;
    SetHandle(painter_.get());
    return Status(Ok);
}

bool Surface::FromImage(const ImageObject& image) {
    if (!IsEmpty()) Release();
    std::shared_ptr<QImage> target = image.SharedImage();
    if (!target || target->isNull()) return Status(InvalidParameter);
    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(target.get())) return Status(GenericError);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    target_ = std::move(target);
    painter_ = std::move(painter);
    ownsPixels_ = false;
    width_ = target_->width();
    height_ = target_->height();
    SetHandle(painter_.get());
    return Status(Ok);
}

bool Surface::Release() {
    if (IsEmpty()) return false;
    if (painter_) painter_->end();
    painter_.reset();
    target_.reset();
    ownsPixels_ = false;
    width_ = 0;
    height_ = 0;
    SetHandle(nullptr);
    return Status(Ok);
}

bool Surface::SetInterpolationMode(int mode) {
    if (!Ready()) return Status(InvalidParameter);
    if (mode < 0 || mode > 7) return Status(InvalidParameter);
    painter_->setRenderHint(QPainter::SmoothPixmapTransform, mode != InterpolationModeNearestNeighbor);
    return Status(Ok);
}

bool Surface::DrawLine(const PenObject& pen, float x1, float y1, float x2, float y2) {
    if (!Ready() || !pen.Pen() || !Finite({x1, y1, x2, y2})) return Status(InvalidParameter);
    painter_->setPen(*pen.Pen());
    painter_->drawLine(QPointF(x1, y1), QPointF(x2, y2));
    return Status(Ok);
}

bool Surface::DrawRectangle(const PenObject& pen, float x, float y, float width, float height) {
    if (!Ready() || !pen.Pen() || !Finite({x, y, width, height})) return Status(InvalidParameter);
    painter_->setPen(*pen.Pen());
    painter_->setBrush(Qt::NoBrush);
    painter_->drawRect(QRectF(x, y, width, height));
    return Status(Ok);
}

bool Surface::FillRectangle(const SolidBrushObject& brush, float x, float y, float width, float height) {
    if (!Ready() || !brush.Brush() || !Finite({x, y, width, height})) return Status(InvalidParameter);
    painter_->fillRect(QRectF(x, y, width, height), *brush.Brush());
    return Status(Ok);
}

bool Surface::DrawPath(const PenObject& pen, const PathObject& path) {
    if (!Ready() || !pen.Pen() || !path.Path()) return Status(InvalidParameter);
    painter_->strokePath(*path.Path(), *pen.Pen());
    return Status(Ok);
}

bool Surface::FillPath(const SolidBrushObject& brush, const PathObject& path) {
    if (!Ready() || !brush.Brush() || !path.Path()) return Status(InvalidParameter);
    painter_->fillPath(*path.Path(), *brush.Brush());
    return Status(Ok);
}

bool Surface::DrawString(const Text& text, const FontObject& font, const SolidBrushObject& brush,
                         const RectF& layoutRect, const StringFormatObject& format) {
    return DrawString(GbkToQString(text.str()), font, brush, layoutRect);
}

bool Surface::DrawString(const Text& text, const FontObject& font, const SolidBrushObject& brush,
                         const RectF& layoutRect) {
    return DrawString(GbkToQString(text.str()), font, brush, layoutRect);
}

bool Surface::DrawString(const QString& text, const FontObject& font, const SolidBrushObject& brush,
                         const RectF& layoutRect) {
    if (!Ready() || !font.Font() || !brush.Brush() ||
        !Finite({layoutRect.x, layoutRect.y, layoutRect.width, layoutRect.height}))
        return Status(InvalidParameter);
    const QRectF rect(layoutRect.x, layoutRect.y, layoutRect.width, layoutRect.height);
    painter_->save();
    painter_->setFont(*font.Font());
    painter_->setPen(QPen(*brush.Brush(), 0));
    // The default layout: from the top-left corner, wrapping at words, clipped to the rectangle
    // (an empty rectangle means no bounds).
    if (rect.width() > 0 && rect.height() > 0) {
        painter_->setClipRect(rect, Qt::IntersectClip);
        painter_->drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    } else {
        painter_->drawText(QRectF(rect.topLeft(), QSizeF(1e6, 1e6)), Qt::AlignLeft | Qt::AlignTop, text);
    }
    painter_->restore();
    return Status(Ok);
}

bool Surface::DrawImage(const ImageObject& image, float x, float y, float width, float height) {
    const QImage* source = image.Image();
    if (!Ready() || !source || !Finite({x, y, width, height})) return Status(InvalidParameter);
    painter_->drawImage(QRectF(x, y, width, height), *source, QRectF(0, 0, source->width(), source->height()));
    return Status(Ok);
}

bool Surface::DrawImagePart(const ImageObject& image, float dstX, float dstY, float dstWidth, float dstHeight,
                            float srcX, float srcY, float srcWidth, float srcHeight,
                            const ImageAttributesObject& attributes) {
    return DrawImagePart(image, dstX, dstY, dstWidth, dstHeight, srcX, srcY, srcWidth, srcHeight);
}

bool Surface::DrawImagePart(const ImageObject& image, float dstX, float dstY, float dstWidth, float dstHeight,
                            float srcX, float srcY, float srcWidth, float srcHeight) {
    const QImage* source = image.Image();
    if (!Ready() || !source || !Finite({dstX, dstY, dstWidth, dstHeight, srcX, srcY, srcWidth, srcHeight}))
        return Status(InvalidParameter);
    if (srcWidth <= 0 || srcHeight <= 0 || dstWidth == 0 || dstHeight == 0) return Status(Ok);
    // Only the part of the source rectangle that lies inside the picture is drawn, at its place in the
    // destination; the rest of the destination is left as it was.
    const QRectF src(srcX, srcY, srcWidth, srcHeight);
    const QRectF inside = src.intersected(QRectF(0, 0, source->width(), source->height()));
    if (inside.isEmpty()) return Status(Ok);
    const double sx = dstWidth / srcWidth;
    const double sy = dstHeight / srcHeight;
    const QRectF dst(dstX + (inside.x() - srcX) * sx, dstY + (inside.y() - srcY) * sy, inside.width() * sx,
                     inside.height() * sy);
    painter_->drawImage(dst, *source, inside);
    return Status(Ok);
}

uint32_t Surface::PixelAt(int x, int y) const {
    const QImage* image = DeviceContext();
    if (!image || x < 0 || y < 0 || x >= image->width() || y >= image->height()) return 0xFFFFFFFFu;
    const uint32_t v = reinterpret_cast<const uint32_t*>(image->constScanLine(y))[x];
    const uint32_t r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
    return r | (g << 8) | (b << 16);
}

// ---- PenObject

PenObject::~PenObject() {
    if (!IsEmpty()) Delete();
}

bool PenObject::Create(uint32_t argb, float width, int unit) {
    if (!IsEmpty()) Delete();
    if (!std::isfinite(width) || width < 0 || unit < 0 || unit > 6 || unit == UnitDisplay)
        return Status(InvalidParameter);
    auto pen = std::make_unique<QPen>(ColorFromArgb(argb));
    pen->setWidthF(width);
    pen->setCapStyle(Qt::FlatCap);
    pen->setJoinStyle(Qt::MiterJoin);
    pen_ = std::move(pen);
    SetHandle(pen_.get());
    return Status(Ok);
}

bool PenObject::SetWidth(float width) {
    if (!pen_ || !std::isfinite(width) || width < 0) return Status(InvalidParameter);
    pen_->setWidthF(width);
    return Status(Ok);
}

bool PenObject::SetColor(uint32_t argb) {
    if (!pen_) return Status(InvalidParameter);
    pen_->setColor(ColorFromArgb(argb));
    return Status(Ok);
}

bool PenObject::Delete() {
    if (IsEmpty()) return false;
    pen_.reset();
    SetHandle(nullptr);
    return Status(Ok);
}

// ---- SolidBrushObject

SolidBrushObject::~SolidBrushObject() {
    if (!IsEmpty()) Delete();
}

bool SolidBrushObject::Create(uint32_t argb) {
    if (!IsEmpty()) Delete();
    brush_ = std::make_unique<QBrush>(ColorFromArgb(argb), Qt::SolidPattern);
    SetHandle(brush_.get());
    return Status(Ok);
}

bool SolidBrushObject::SetColor(uint32_t argb) {
    if (!brush_) return Status(InvalidParameter);
    brush_->setColor(ColorFromArgb(argb));
    return Status(Ok);
}

bool SolidBrushObject::Delete() {
    if (IsEmpty()) return false;
    brush_.reset();
    SetHandle(nullptr);
    return Status(Ok);
}

// ---- FontObject

FontObject::~FontObject() {
    if (!IsEmpty()) Delete();
}

bool FontObject::Create(const Text& familyName, float emSize, int style, int unit) {
    return Create(GbkToQString(familyName.str()), emSize, style, unit);
}

bool FontObject::Create(const QString& familyName, float emSize, int style, int unit) {
    if (!IsEmpty()) Delete();
    if (!std::isfinite(emSize) || emSize <= 0 || unit < 0 || unit > 6 || unit == UnitDisplay)
        return Status(InvalidParameter);
    if (!QGuiApplication::instance()) return Status(GenericError);
    EnsureFontSubstitutions();
    // The family must be installed under its name or through a substitution.
    const QStringList families = QFontDatabase::families();
    bool found = families.contains(familyName, Qt::CaseInsensitive);
    for (const QString& substitute : QFont::substitutes(familyName))
        found = found || families.contains(substitute, Qt::CaseInsensitive);
    if (!found) return Status(FontFamilyNotFound);

    auto font = std::make_unique<QFont>(familyName);
    switch (unit) {
        case UnitPoint: font->setPointSizeF(emSize); break;
        case 4: font->setPointSizeF(emSize * 72.0); break;           // inch
        case 5: font->setPointSizeF(emSize * 72.0 / 300.0); break;   // document (1/300 inch)
        case 6: font->setPointSizeF(emSize * 72.0 / 25.4); break;    // millimetre
        default: font->setPixelSize(std::max(1, static_cast<int>(std::lround(emSize)))); break;
    }
    font->setBold(style & FontStyleBold);
    font->setItalic(style & FontStyleItalic);
    font->setUnderline(style & 4);
    font->setStrikeOut(style & 8);
    font_ = std::move(font);
    SetHandle(font_.get());
    return Status(Ok);
}

bool FontObject::Delete() {
    if (IsEmpty()) return false;
    font_.reset();
    SetHandle(nullptr);
    return Status(Ok);
}

// ---- PathObject

PathObject::~PathObject() {
    if (!IsEmpty()) Delete();
}

bool PathObject::Create(int fillMode) {
    if (!IsEmpty()) Delete();
    if (fillMode != FillModeAlternate && fillMode != FillModeWinding) return Status(InvalidParameter);
    path_ = std::make_unique<QPainterPath>();
    path_->setFillRule(fillMode == FillModeWinding ? Qt::WindingFill : Qt::OddEvenFill);
    figureOpen_ = false;
    SetHandle(path_.get());
    return Status(Ok);
}

bool PathObject::Reset() {
    if (!path_) return Status(InvalidParameter);
    const Qt::FillRule rule = path_->fillRule();
    path_->clear();
    path_->setFillRule(rule);
    figureOpen_ = false;
    return Status(Ok);
}

bool PathObject::AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle) {
    if (!path_ || !Finite({x, y, width, height, startAngle, sweepAngle}) || width <= 0 || height <= 0)
        return Status(InvalidParameter);
    const QRectF rect(x, y, width, height);
    // Qt counts angles counter-clockwise; ours run clockwise on screen.
    if (!figureOpen_) path_->arcMoveTo(rect, -startAngle);
    path_->arcTo(rect, -startAngle, -sweepAngle);
    figureOpen_ = true;
    return Status(Ok);
}

bool PathObject::CloseAllFigures() {
    if (!path_) return Status(InvalidParameter);
    if (figureOpen_) path_->closeSubpath();
    figureOpen_ = false;
    return Status(Ok);
}

bool PathObject::Delete() {
    if (IsEmpty()) return false;
    path_.reset();
    figureOpen_ = false;
    SetHandle(nullptr);
    return Status(Ok);
}

bool AddRoundedRectangle(PathObject& path, float x, float y, float width, float height, int size) {
    const int s = size < 1 ? 1 : (size > 100 ? 100 : size);
    const float d = static_cast<float>(s) + 3.0f;
    const float fs = static_cast<float>(s);
    path.AddArc(x, y, fs, fs, 180, 90);
    path.AddArc(x + width - d, y, fs, fs, 270, 90);
    path.AddArc(x + width - d, y + height - d, fs, fs, 0, 90);
    path.AddArc(x, y + height - d, fs, fs, 90, 90);
    return path.CloseAllFigures();
}

// ---- StringFormatObject, ImageAttributesObject

StringFormatObject::~StringFormatObject() {
    if (!IsEmpty()) Delete();
}

bool StringFormatObject::Create(int formatFlags, int language) {
    if (!IsEmpty()) Delete();
    native_ = std::make_unique<int>(formatFlags);
    flags_ = formatFlags;
    SetHandle(native_.get());
    return Status(Ok);
}

bool StringFormatObject::Delete() {
    if (IsEmpty()) return false;
    native_.reset();
    flags_ = 0;
    SetHandle(nullptr);
    return Status(Ok);
}

ImageAttributesObject::~ImageAttributesObject() {
    if (!IsEmpty()) Dispose();
}

bool ImageAttributesObject::Create() {
    if (!IsEmpty()) Dispose();
    native_ = std::make_unique<int>(0);
    SetHandle(native_.get());
    return Status(Ok);
}

bool ImageAttributesObject::Dispose() {
    if (IsEmpty()) return false;
    native_.reset();
    SetHandle(nullptr);
    return Status(Ok);
}

// ---- copies between surfaces

bool StretchBlt(DeviceContextRef dst, int dx, int dy, int dw, int dh, DeviceContextRef src, int sx, int sy, int sw,
                int sh) {
    if (!dst || !src || dst->isNull() || src->isNull() || dst->depth() != 32 || src->depth() != 32)
        return Status(GenericError);
    // Normalise mirrored extents: a negative extent runs from its origin towards lower coordinates.
    bool flipX = false, flipY = false;
    if (dw < 0) { dx += dw + 1; dw = -dw; flipX = !flipX; }
    if (dh < 0) { dy += dh + 1; dh = -dh; flipY = !flipY; }
    if (sw < 0) { sx += sw + 1; sw = -sw; flipX = !flipX; }
    if (sh < 0) { sy += sh + 1; sh = -sh; flipY = !flipY; }
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return Status(Ok);
    if (sx < 0 || sy < 0 || int64_t{sx} + sw > src->width() || int64_t{sy} + sh > src->height())
        return Status(GenericError);
    const uint8_t* sbits = src->constBits();
    const qsizetype sstride = src->bytesPerLine();
    // A copy of the source when it is the destination itself, so rows are not read after being written.
    QImage snapshot;
    if (src == dst) {
        snapshot = src->copy();
        sbits = snapshot.constBits();
    }
    uint8_t* dbits = dst->bits();
    const qsizetype dstride = dst->bytesPerLine();
    const int64_t x0 = std::max<int64_t>(dx, 0), x1 = std::min<int64_t>(int64_t{dx} + dw, dst->width());
    const int64_t y0 = std::max<int64_t>(dy, 0), y1 = std::min<int64_t>(int64_t{dy} + dh, dst->height());
    for (int64_t y = y0; y < y1; ++y) {
        int64_t ry = ((2 * (y - dy) + 1) * sh) / (2 * int64_t{dh});
        if (flipY) ry = sh - 1 - ry;
        const uint8_t* srow = sbits + (sy + ry) * sstride;
        uint8_t* drow = dbits + y * dstride;
        if (!flipX && dw == sw) {
            std::memcpy(drow + x0 * 4, srow + (sx + (x0 - dx)) * 4, static_cast<size_t>(x1 - x0) * 4);
            continue;
        }
        for (int64_t x = x0; x < x1; ++x) {
            int64_t rx = ((2 * (x - dx) + 1) * sw) / (2 * int64_t{dw});
            if (flipX) rx = sw - 1 - rx;
            std::memcpy(drow + x * 4, srow + (sx + rx) * 4, 4);
        }
    }
    return Status(Ok);
}

Bytes GetBitmapBits(BitmapRef bitmap) {
    if (!bitmap || bitmap->isNull() || bitmap->depth() != 32) return Bytes();
    const size_t rowBytes = static_cast<size_t>(bitmap->width()) * 4;
    std::string out(rowBytes * static_cast<size_t>(bitmap->height()), '\0');
    for (int y = 0; y < bitmap->height(); ++y)
        std::memcpy(out.data() + rowBytes * static_cast<size_t>(y), bitmap->constScanLine(y), rowBytes);
    return Bytes(std::move(out));
}

}  // namespace ql
