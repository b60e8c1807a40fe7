// Text recognition with Tesseract (Simplified Chinese + English) over a bounded pool of engines.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ql::localsvc {

struct OcrOptions {
    std::string tessdata;                // empty: Tesseract's own default folder (or TESSDATA_PREFIX)
    std::string languages = "chi_sim+eng";
    int maxEngines = 2;                  // engines alive at once; more requests wait for a free one
    int pageSegMode = 4;                 // Tesseract's PSM: 4 a column of lines of any size
};

struct OcrOutcome {
    enum class Status { Ok, BadPicture, EngineFailed };
    Status status = Status::Ok;
    std::string error;
    std::vector<std::string> lines;  // UTF-8, one per recognised text line, trimmed, none empty
};

// Tesseract's OpenMP threads spin against each other and against the other engines of the pool: on a
// busy two-core machine a 1920 x 1080 picture took 24 s with them and 5 s without. libgomp reads its
// limit only when it is loaded, so this re-executes the program once with OMP_THREAD_LIMIT=1 unless the
// variable is already set. Call it first thing in main; it returns only when nothing had to be done (or
// the re-execution failed).
void LimitOcrThreads(char** argv);

class OcrEngines {
public:
    explicit OcrEngines(OcrOptions options);
    ~OcrEngines();
    OcrEngines(const OcrEngines&) = delete;
    OcrEngines& operator=(const OcrEngines&) = delete;

    // Decodes the picture (BMP, PNG, JPEG and whatever else Leptonica reads) and recognises its lines.
    // Safe to call from many threads.
    OcrOutcome Recognize(std::string_view pictureBytes);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ql::localsvc
