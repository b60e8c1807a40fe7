// The end of a capture on real widgets (offscreen): the region to the clipboard, the file under
// imgtemp, the closing of the window and the hand-off, also driven by the window's own mouse events.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/app_state.h"
#include "capture/bmp_bytes.h"
#include "capture/capture_export.h"
#include "capture/capture_window.h"
#include "capture/overlay_state.h"
#include "overlay_test_support.h"
#include "services/main_controls.h"

namespace ql {
namespace {

struct Handed {
    std::string path;
    int32_t id = 0;
};
std::vector<Handed>& HandedOn() {
    static std::vector<Handed> v;
    return v;
}
void Record(const Text& imagePath, int32_t id) { HandedOn().push_back({imagePath.str(), id}); }

class BusyRecorder : public MainControls {
public:
    Text ImagePath() override { return Text(); }
    Text ResultText() override { return Text(); }
    void SetResultText(const Text&) override {}
    void AppendResultText(const Text&) override {}
    void SetBusyLabelText(const Text&) override {}
    void SetBusyPictureVisible(bool v) override { picture = v; }
    void SetBusyLabelVisible(bool v) override { label = v; }
    bool picture = false;
    bool label = false;
};

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::string(std::istreambuf_iterator<char>(in), {}));
}

QImage TestPicture(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(10 * x, 20 * y, 200));
    return img;
}

TEST(CanvasToBmp, TopLeftPixelsBottomRowFirst) {
    QImage canvas(4, 3, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) canvas.setPixel(x, y, qRgb(x, y, 7));
    const Bytes bmp = CanvasToBmp(&canvas, 2, 2);
    ASSERT_EQ(bmp.size(), 70u);
    const Picture32 back = DecodeBmp32(bmp);
    ASSERT_EQ(back.width, 2);
    ASSERT_EQ(back.height, 2);
    EXPECT_EQ(back.pixels[0], qRgb(0, 0, 7));
    EXPECT_EQ(back.pixels[3], qRgb(1, 1, 7));
    // Beyond the surface: zero bytes, the size fields as asked.
    const Bytes wide = CanvasToBmp(&canvas, 5, 1);
    ASSERT_EQ(wide.size(), 54u + 20u);
    EXPECT_EQ(DecodeBmp32(wide).pixels[4], 0u);
}

TEST(CropRegion, CutsTheRectangleAndLeavesOutsidePartsTransparent) {
    QImage pic = TestPicture(4, 3);
    const Bytes bmp = BuildBmpFile(4, 3, pic.constBits(), pic.bytesPerLine());
    const Picture32 inner = DecodeBmp32(CropRegion(bmp, 1, 1, 2, 2));
    ASSERT_EQ(inner.width, 2);
    ASSERT_EQ(inner.height, 2);
    EXPECT_EQ(inner.pixels[0], qRgb(10, 20, 200));
    EXPECT_EQ(inner.pixels[3], qRgb(20, 40, 200));
    const Picture32 edge = DecodeBmp32(CropRegion(bmp, 3, 2, 2, 2));
    ASSERT_EQ(edge.width, 2);
    EXPECT_EQ(edge.pixels[0], qRgb(30, 40, 200));
    EXPECT_EQ(edge.pixels[1] >> 24, 0u);
    EXPECT_EQ(edge.pixels[2] >> 24, 0u);
    EXPECT_TRUE(CropRegion(bmp, 0, 0, 0, 5).empty());
    EXPECT_TRUE(CropRegion(Bytes(std::string("not a picture")), 0, 0, 2, 2).empty());
}

class ExportTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::EnsureApp();
        CreateOverlayObjects();
        SetSnapshotSourceForTests([] { return test::MakeSnapshot(test::ScreenSize()); });
        SetRecognitionForTests(&Record);
    }
    static void TearDownTestSuite() {
        SetRecognitionForTests(nullptr);
        SetSnapshotSourceForTests({});
        SetPointerSourceForTests({});
        ReleaseOverlayObjects();
    }
    void SetUp() override {
        ResetOverlayState();
        HandedOn().clear();
        dir_ = std::filesystem::temp_directory_path() / ("capture-export-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);  // a fresh run directory: no imgtemp yet
        SetRunDirectory(dir_.string());
        SetMainControls(&busy_);
    }
    void TearDown() override {
        SetMainControls(nullptr);
        CloseOverlay();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        std::filesystem::remove_all(dir_);
    }
    // The one file handed on, read back.
    Bytes HandedFile() {
        EXPECT_EQ(HandedOn().size(), 1u);
        if (HandedOn().empty()) return Bytes();
        return ReadFile(HandedOn()[0].path);
    }
    void Mouse(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons) {
        pointer_ = Point{x, y};
        QMouseEvent e(type, QPointF(x, y), QPointF(x, y), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(CurrentCaptureWindow(), &e);
    }
    std::filesystem::path dir_;
    BusyRecorder busy_;
    Point pointer_;
};

TEST_F(ExportTest, ConfirmingPutsTheRegionOnTheClipboardAndInTheFile) {
    ASSERT_NE(OpenCaptureWindow(), nullptr);
    Overlay().HasSelection = 1;
    Overlay().SelectionRect = Rect{10, 20, 40, 60};
    ConfirmSelection();

    EXPECT_FALSE(IsCaptureWindowOpen());
    EXPECT_EQ(Overlay().WindowCanvas->DeviceContext(), nullptr);  // the canvas is released
    EXPECT_TRUE(busy_.picture);
    EXPECT_TRUE(busy_.label);
    ASSERT_EQ(HandedOn().size(), 1u);
    const int32_t id = HandedOn()[0].id;
    EXPECT_EQ(id, Overlay().CaptureId);
    EXPECT_GE(id, 50000);
    EXPECT_LE(id, 1000000);
    EXPECT_EQ(HandedOn()[0].path, dir_.string() + "/imgtemp/" + std::to_string(id) + ".png");

    const Bytes file = HandedFile();
    EXPECT_EQ(file.data().substr(0, 2), "BM");
    const Picture32 pic = DecodeBmp32(file);
    ASSERT_EQ(pic.width, 30);
    ASSERT_EQ(pic.height, 40);
    for (const QPoint p : {QPoint(0, 0), QPoint(29, 0), QPoint(0, 39), QPoint(17, 23)})
        EXPECT_EQ(pic.pixels[size_t(p.y()) * 30 + size_t(p.x())] & 0xFFFFFFu,
                  test::SnapshotPixel(10 + p.x(), 20 + p.y()) & 0xFFFFFFu);

    // Pasting gives the region too.
    const QImage pasted = QGuiApplication::clipboard()->image();
    ASSERT_EQ(pasted.size(), QSize(30, 40));
    EXPECT_EQ(pasted.pixel(5, 6) & 0xFFFFFFu, test::SnapshotPixel(15, 26) & 0xFFFFFFu);
    // The selection stays for the next opening.
    EXPECT_EQ(Overlay().SelectionRect, (Rect{10, 20, 40, 60}));
    EXPECT_EQ(Overlay().HasSelection, 1);
}

TEST_F(ExportTest, LeavingSavesWhateverTheClipboardHolds) {
    // A picture already on the clipboard.
    QGuiApplication::clipboard()->setImage(TestPicture(3, 2));
    ASSERT_NE(OpenCaptureWindow(), nullptr);
    FinishCapture();
    const Picture32 pic = DecodeBmp32(HandedFile());
    ASSERT_EQ(pic.width, 3);
    ASSERT_EQ(pic.height, 2);
    EXPECT_EQ(pic.pixels[4] & 0xFFFFFFu, qRgb(10, 20, 200) & 0xFFFFFFu);
    EXPECT_FALSE(IsCaptureWindowOpen());

    // Text only: an empty file, still handed on.
    HandedOn().clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("just text"));
    ASSERT_NE(OpenCaptureWindow(), nullptr);
    FinishCapture();
    ASSERT_EQ(HandedOn().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(HandedOn()[0].path));
    EXPECT_EQ(std::filesystem::file_size(HandedOn()[0].path), 0u);
    EXPECT_TRUE(busy_.picture);
}

TEST_F(ExportTest, DrawingAndDoubleClickingInTheWindowCapturesTheRegion) {
    SetPointerSourceForTests([this] { return pointer_; });
    ASSERT_NE(OpenCaptureWindow(), nullptr);
    CaptureWindow* first = CurrentCaptureWindow();
    EXPECT_EQ(OpenCaptureWindow(), first);  // a second opening while open gives the same window
    Mouse(QEvent::MouseMove, 40, 40, Qt::NoButton, Qt::NoButton);
    Mouse(QEvent::MouseButtonPress, 50, 50, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 100, 90, Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, 150, 120, Qt::NoButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, 150, 120, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Overlay().HasSelection, 1);
    EXPECT_EQ(Overlay().SelectionRect, (Rect{50, 50, 150, 120}));
    // The frame shows on the canvas before the confirmation, and the window shows the canvas: only the
    // changed parts are painted again after each message, the rest was painted before.
    EXPECT_EQ(test::CanvasPixel(100, 50) & 0xFFFFFFu, 0x0000AEFFu);
    Mouse(QEvent::MouseMove, 151, 121, Qt::NoButton, Qt::NoButton);
    QCoreApplication::sendPostedEvents();
    {
        CaptureWindow* w = CurrentCaptureWindow();
        const QImage shown = QGuiApplication::primaryScreen()->grabWindow(w->winId()).toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        const QImage canvas = Overlay().WindowCanvas->DeviceContext()->convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), canvas.size());
        EXPECT_TRUE(shown == canvas);
    }
    Mouse(QEvent::MouseButtonDblClick, 150, 120, Qt::LeftButton, Qt::LeftButton);

    EXPECT_FALSE(IsCaptureWindowOpen());
    const Picture32 pic = DecodeBmp32(HandedFile());
    ASSERT_EQ(pic.width, 100);
    ASSERT_EQ(pic.height, 70);
    EXPECT_EQ(pic.pixels[0] & 0xFFFFFFu, test::SnapshotPixel(50, 50) & 0xFFFFFFu);
    EXPECT_EQ(pic.pixels[70 * 100 - 1] & 0xFFFFFFu, test::SnapshotPixel(149, 119) & 0xFFFFFFu);
}

TEST_F(ExportTest, EscapeLeavesFromTheWindow) {
    SetPointerSourceForTests([this] { return pointer_; });
    QGuiApplication::clipboard()->setImage(TestPicture(2, 2));
    ASSERT_NE(OpenCaptureWindow(), nullptr);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(CurrentCaptureWindow(), &esc);
    EXPECT_FALSE(IsCaptureWindowOpen());
    EXPECT_EQ(DecodeBmp32(HandedFile()).width, 2);
}

}  // namespace
}  // namespace ql
