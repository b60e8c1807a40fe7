#include "localservices/ocr.h"

#include <allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>

#include "localservices/picture.h"
#include "localservices/utf8.h"

namespace ql::localsvc {

namespace {

struct PixFree {
    void operator()(Pix* p) const { pixDestroy(&p); }
};
using PixPtr = std::unique_ptr<Pix, PixFree>;

PixPtr PixFromRgb(const RgbImage& img) {
    PixPtr pix(pixCreate(img.width, img.height, 32));
    if (!pix) return nullptr;
    l_uint32* data = pixGetData(pix.get());
    const int wpl = pixGetWpl(pix.get());
    const uint8_t* in = img.rgb.data();
    for (int y = 0; y < img.height; ++y) {
        l_uint32* line = data + static_cast<ptrdiff_t>(y) * wpl;
        for (int x = 0; x < img.width; ++x, in += 3) composeRGBPixel(in[0], in[1], in[2], line + x);
    }
    return pix;
}

PixPtr DecodePicture(std::string_view bytes, std::string& error) {
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        const std::optional<RgbImage> img = DecodeBmp(bytes, &error);
        if (!img) return nullptr;
        PixPtr pix = PixFromRgb(*img);
        if (!pix) error = "out of memory";
        return pix;
    }
    const auto* data = reinterpret_cast<const l_uint8*>(bytes.data());
    l_int32 format = 0, w = 0, h = 0, bps = 0, spp = 0, iscmap = 0;
    if (bytes.empty() || pixReadHeaderMem(data, bytes.size(), &format, &w, &h, &bps, &spp, &iscmap) != 0) {
        error = "unknown picture format";
        return nullptr;
    }
    if (w <= 0 || h <= 0 || static_cast<int64_t>(w) * h > kMaxPicturePixels) {
        error = "picture too large";
        return nullptr;
    }
    PixPtr pix(pixReadMem(data, bytes.size()));
    if (!pix) {
        error = "picture cannot be decoded";
        return nullptr;
    }
    // Transparency needs nothing here: Tesseract blends an alpha channel over white itself.
    return pix;
}

}  // namespace

void LimitOcrThreads(char** argv) {
    if (std::getenv("OMP_THREAD_LIMIT") != nullptr) return;
    setenv("OMP_THREAD_LIMIT", "1", 1);
    execv("/proc/self/exe", argv);
}

struct OcrEngines::Impl {
    OcrOptions options;
    std::mutex mutex;
    std::condition_variable freed;
    std::vector<std::unique_ptr<tesseract::TessBaseAPI>> idle;
    int alive = 0;

    // An idle engine, a new one while under the limit, or the next one given back.
    std::unique_ptr<tesseract::TessBaseAPI> Acquire(std::string& error) {
        std::unique_lock lock(mutex);
        freed.wait(lock, [&] { return !idle.empty() || alive < options.maxEngines; });
        if (!idle.empty()) {
            auto api = std::move(idle.back());
            idle.pop_back();
            return api;
        }
        ++alive;
        lock.unlock();
        auto api = std::make_unique<tesseract::TessBaseAPI>();
        const char* path = options.tessdata.empty() ? nullptr : options.tessdata.c_str();
        if (api->Init(path, options.languages.c_str(), tesseract::OEM_LSTM_ONLY) != 0) {
            error = "OCR engine cannot load " + options.languages;
            Release(nullptr);
            return nullptr;
        }
        api->SetVariable("debug_file", "/dev/null");
        api->SetPageSegMode(static_cast<tesseract::PageSegMode>(options.pageSegMode));
        return api;
    }

    void Release(std::unique_ptr<tesseract::TessBaseAPI> api) {
        {
            std::lock_guard lock(mutex);
            if (api) idle.push_back(std::move(api));
            else --alive;
        }
        freed.notify_one();
    }
};

OcrEngines::OcrEngines(OcrOptions options) : impl_(std::make_unique<Impl>()) {
    if (options.maxEngines < 1) options.maxEngines = 1;
    impl_->options = std::move(options);
    setMsgSeverity(L_SEVERITY_NONE);  // Leptonica would print every refused picture to stderr
}

OcrEngines::~OcrEngines() = default;

OcrOutcome OcrEngines::Recognize(std::string_view pictureBytes) {
    OcrOutcome outcome;
    PixPtr pix = DecodePicture(pictureBytes, outcome.error);
    if (!pix) {
        outcome.status = OcrOutcome::Status::BadPicture;
        return outcome;
    }
    std::unique_ptr<tesseract::TessBaseAPI> api = impl_->Acquire(outcome.error);
    if (!api) {
        outcome.status = OcrOutcome::Status::EngineFailed;
        return outcome;
    }
    api->SetImage(pix.get());
    api->SetSourceResolution(96);  // screen pictures; the files rarely state a resolution
    if (api->Recognize(nullptr) != 0) {
        api->Clear();
        impl_->Release(std::move(api));
        outcome.status = OcrOutcome::Status::EngineFailed;
        outcome.error = "recognition failed";
        return outcome;
    }
    std::unique_ptr<tesseract::ResultIterator> it(api->GetIterator());
    if (it && !it->Empty(tesseract::RIL_TEXTLINE)) {
        do {
            std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
            if (!text) continue;
            std::string raw = text.get();
            while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r')) raw.pop_back();
            std::string line = JoinCjkSpaces(raw);
            if (!line.empty()) outcome.lines.push_back(std::move(line));
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    it.reset();
    api->Clear();
    impl_->Release(std::move(api));
    return outcome;
}

}  // namespace ql::localsvc
