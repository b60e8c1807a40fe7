// The real MainWindow on the offscreen platform: controls, texts, fonts, colours, the busy animation,
// the controls' cross-thread interface and the start-up order.
#include "app/ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMovie>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "app/startup.h"
#include "app/ui/fonts.h"
#include "resources/resources.h"
#include "services/main_controls.h"

using namespace ql;

namespace {

int g_argc = 1;
char g_arg0[] = "main_window_test";
char* g_argv[] = {g_arg0, nullptr};

QApplication& TheApp() {
    static QApplication* app = [] {
        auto* a = new QApplication(g_argc, g_argv);
        InstallFontSubstitutions();
        return a;
    }();
    return *app;
}

// Runs the event loop until done() or about 10 s have passed (a bound against hanging, not a timing check).
template <class F>
void SpinUntil(F done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

int CountPixels(const QImage& img, bool (*pred)(QRgb)) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (pred(img.pixel(x, y))) ++n;
    return n;
}

}  // namespace

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { TheApp(); }
};

TEST_F(MainWindowTest, EveryControlOfTheLayout) {
    MainWindow w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("青岚识文"));
    EXPECT_EQ(w.size(), QSize(MainWindow::kClientWidth, MainWindow::kClientHeight));
    EXPECT_EQ(MainWindow::kOuterWidth, 317);
    EXPECT_EQ(MainWindow::kOuterHeight, 537);

    QGroupBox* group = w.WorkAreaGroup();
    struct Row {
        const char* name;
        QWidget* widget;
        bool isKind;
        QWidget* parent;
        QRect geometry;
        QString text;
    };
    auto text = [](QWidget* wd) -> QString {
        if (auto* e = qobject_cast<QLineEdit*>(wd)) return e->text();
        if (auto* b = qobject_cast<QAbstractButton*>(wd)) return b->text();
        if (auto* l = qobject_cast<QLabel*>(wd)) return l->text();
        if (auto* g = qobject_cast<QGroupBox*>(wd)) return g->title();
        if (auto* p = qobject_cast<QPlainTextEdit*>(wd)) return p->toPlainText();
        return {};
    };
    const std::vector<Row> rows = {
        {"WorkAreaGroup", group, qobject_cast<QGroupBox*>(group) != nullptr, &w, {1, 1, 309, 475}, "操作区"},
        {"ImagePathEdit", w.ImagePathEdit(), qobject_cast<QLineEdit*>(w.ImagePathEdit()) != nullptr, group,
         {6, 21, 220, 24}, "<------请选择图片------>"},
        {"SelectImageButton", w.SelectImageButton(), qobject_cast<QPushButton*>(w.SelectImageButton()) != nullptr,
         group, {231, 21, 72, 24}, "选择图片"},
        {"ResultEdit", w.ResultEdit(), qobject_cast<QPlainTextEdit*>(w.ResultEdit()) != nullptr, group,
         {6, 49, 297, 419}, ""},
        {"BusyPicture", w.BusyPicture(), qobject_cast<QLabel*>(w.BusyPicture()) != nullptr, group, {7, 239, 64, 64}, ""},
        {"BusyLabel", w.BusyLabel(), qobject_cast<QLabel*>(w.BusyLabel()) != nullptr, group, {68, 239, 232, 64},
         "正在进行识别……"},
        {"HotkeyCheck", w.HotkeyCheck(), qobject_cast<QCheckBox*>(w.HotkeyCheck()) != nullptr, &w, {0, 482, 104, 24},
         "启用快捷键截图"},
        {"SaveResultButton", w.SaveResultButton(), qobject_cast<QPushButton*>(w.SaveResultButton()) != nullptr, &w,
         {104, 482, 65, 24}, "保存结果"},
        {"AboutButton", w.AboutButton(), qobject_cast<QPushButton*>(w.AboutButton()) != nullptr, &w,
         {168, 482, 65, 24}, "关于软件"},
        {"CheckUpdateButton", w.CheckUpdateButton(), qobject_cast<QPushButton*>(w.CheckUpdateButton()) != nullptr, &w,
         {232, 482, 78, 24}, "检查新版本"},
    };
    for (const auto& r : rows) {
        ASSERT_NE(r.widget, nullptr) << r.name;
        EXPECT_TRUE(r.isKind) << r.name;
        EXPECT_EQ(r.widget->objectName(), QString::fromLatin1(r.name));
        EXPECT_EQ(r.widget->parentWidget(), r.parent) << r.name;
        EXPECT_EQ(r.widget->geometry(), r.geometry) << r.name;
        EXPECT_EQ(text(r.widget), r.text) << r.name;
        // every control lies inside its parent
        EXPECT_TRUE(r.parent->rect().contains(r.widget->geometry())) << r.name;
    }

    EXPECT_TRUE(w.BusyPicture()->isHidden());
    EXPECT_TRUE(w.BusyLabel()->isHidden());
    EXPECT_FALSE(w.HotkeyCheck()->isChecked());
    EXPECT_TRUE(w.HotkeyTimer()->isActive());
    EXPECT_EQ(w.HotkeyTimer()->interval(), 100);

    EXPECT_EQ(w.AdvancedMenu()->title(), QStringLiteral("高级菜单"));
    const QList<QAction*> items = w.AdvancedMenu()->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), QStringLiteral("汉-->英"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("英-->汉"));
    EXPECT_EQ(items[2]->text(), QStringLiteral("复制全文"));
    EXPECT_EQ(items[0], w.ChineseToEnglishItem());
    EXPECT_EQ(items[1], w.EnglishToChineseItem());
    EXPECT_EQ(items[2], w.CopyAllItem());

    EXPECT_EQ(GbkToUtf8(MainWindow::ImageFileDialogFilter()).str(),
              "图片文件（*.jpg;*.jpeg;*.png;*.bmp）|*.jpg;*.jpeg;*.png;*.bmp");
}

TEST_F(MainWindowTest, EditBoxesAreReadOnlyButSelectable) {
    MainWindow w;
    EXPECT_TRUE(w.ImagePathEdit()->isReadOnly());
    EXPECT_TRUE(w.ResultEdit()->isReadOnly());
    EXPECT_TRUE(w.ResultEdit()->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(w.ResultEdit()->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    EXPECT_FALSE(w.ResultEdit()->textInteractionFlags() & Qt::TextEditable);
    EXPECT_EQ(w.ResultEdit()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(MainWindowTest, FontsAndColours) {
    MainWindow w;
    const QFont pathFont = w.ImagePathEdit()->font();
    EXPECT_EQ(pathFont.pixelSize(), 16);
    EXPECT_EQ(pathFont.family(), Gb2312Family());
    const QFont resultFont = w.ResultEdit()->font();
    EXPECT_EQ(resultFont.family(), QStringLiteral("微软雅黑"));  // asked for by name
    EXPECT_EQ(resultFont.pixelSize(), 19);
    EXPECT_EQ(w.ResultEdit()->palette().color(QPalette::Text), QColor(255, 0, 0));
    EXPECT_EQ(w.ResultEdit()->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(w.ImagePathEdit()->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(w.ImagePathEdit()->palette().color(QPalette::Base), QColor(Qt::white));

    // The substitution puts an installed CJK font behind both names: every caption has its glyphs.
    const QString captions = QStringLiteral("青岚识文操作区请选择图片正在进行识别启用快捷键截图保存结果关于软件检查新版本高级菜单汉英复制全文");
    for (const QFont& f : {resultFont, pathFont, w.SelectImageButton()->font()}) {
        const QFontMetrics m(f);
        for (QChar c : captions) EXPECT_TRUE(m.inFont(c)) << QFontInfo(f).family().toStdString() << " lacks U+" << std::hex << static_cast<int>(c.unicode());
    }
}

TEST_F(MainWindowTest, ResultTextIsDrawnRedAndCaptionsAsGlyphs) {
    MainWindow w;
    w.SetResultText("识别结果\r\n第二行"_gbk);
    w.show();
    const QImage img = w.ResultEdit()->grab().toImage();
    EXPECT_GT(CountPixels(img, [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80; }), 50);

    // A caption drawn in its font differs from the same number of missing-glyph boxes: compare the
    // button with its real caption against one whose caption is private-use characters (boxes).
    QPushButton real(QStringLiteral("选择图片"));
    QPushButton boxes(QString(4, QChar(0xE000)));
    for (QPushButton* b : {&real, &boxes}) {
        b->setFont(w.SelectImageButton()->font());
        b->resize(72, 24);
    }
    const QImage a = real.grab().toImage();
    const QImage b = boxes.grab().toImage();
    EXPECT_NE(a, b);
    auto dark = [](QRgb p) { return qGray(p) < 100; };
    EXPECT_GT(CountPixels(a, dark), 20);  // something was drawn
}

TEST_F(MainWindowTest, BusyAnimationIsOurs) {
    MainWindow w;
    QMovie* m = w.BusyMovie();
    ASSERT_TRUE(m->isValid());
    EXPECT_EQ(m->frameCount(), 20);
    ASSERT_TRUE(m->jumpToFrame(0));
    EXPECT_EQ(m->currentImage().size(), QSize(64, 64));
    // the file itself: 20 frames of 64 x 64, each shown 90 ms
    QImageReader reader(QString::fromLatin1(kBusyAnimationPath));
    EXPECT_EQ(reader.imageCount(), 20);
    EXPECT_EQ(reader.loopCount(), -1);  // for ever
    std::vector<QImage> frames;
    for (int i = 0; i < 20; ++i) {
        QImage f = reader.read();
        ASSERT_FALSE(f.isNull()) << i << " " << reader.errorString().toStdString();
        EXPECT_EQ(f.size(), QSize(64, 64)) << i;
        EXPECT_EQ(reader.nextImageDelay(), 90) << i;
        frames.push_back(f.convertToFormat(QImage::Format_ARGB32));
    }
    EXPECT_NE(frames[0], frames[5]);  // it moves
    // transparent corners, opaque dots
    EXPECT_EQ(qAlpha(frames[0].pixel(0, 0)), 0);
    EXPECT_GT(CountPixels(frames[0], [](QRgb p) { return qAlpha(p) == 255; }), 200);

    w.show();
    EXPECT_NE(m->state(), QMovie::Running);  // hidden at start: not playing
    w.SetBusyPictureVisible(true);
    w.SetBusyLabelVisible(true);
    EXPECT_FALSE(w.BusyPicture()->isHidden());
    EXPECT_FALSE(w.BusyLabel()->isHidden());
    EXPECT_EQ(m->state(), QMovie::Running);
    w.SetBusyPictureVisible(false);
    EXPECT_NE(m->state(), QMovie::Running);
    w.BusyPicture()->show();  // shown through the accessor: it plays too
    EXPECT_EQ(m->state(), QMovie::Running);
}

TEST_F(MainWindowTest, TextsCrossTheControlEdgeAsGbkWithCrLf) {
    MainWindow w;
    w.SetResultText("甲\r\n乙"_gbk);
    EXPECT_EQ(w.ResultEdit()->toPlainText(), QStringLiteral("甲\n乙"));
    EXPECT_EQ(w.ResultText(), "甲\r\n乙"_gbk);
    w.AppendResultText("丙\r\n"_gbk);
    w.ResultEdit()->selectAll();  // the append goes to the end whatever is selected
    w.AppendResultText("丁"_gbk);
    EXPECT_EQ(w.ResultText(), "甲\r\n乙丙\r\n丁"_gbk);
    w.SetImagePathText("/tmp/图片.png"_gbk);
    EXPECT_EQ(w.ImagePathText(), "/tmp/图片.png"_gbk);
    EXPECT_EQ(w.ImagePathEdit()->text(), QStringLiteral("/tmp/图片.png"));
}

TEST_F(MainWindowTest, WorkerCallsArriveInOrderOnTheWindowThread) {
    MainWindow w;
    ASSERT_NE(Controls(), nullptr);
    std::atomic<bool> done{false};
    Text readBack, pathRead;
    std::thread worker([&] {
        MainControls* c = Controls();
        c->SetBusyPictureVisible(true);
        c->SetBusyLabelVisible(true);
        c->SetResultText(Text());
        for (int i = 0; i < 50; ++i) c->AppendResultText(Text(std::to_string(i) + ","));
        readBack = c->ResultText();  // waits for the window thread, behind the writes
        pathRead = c->ImagePath();
        c->SetBusyLabelText("完成"_gbk);
        c->SetBusyPictureVisible(false);
        c->SetBusyLabelVisible(false);
        done = true;
    });
    SpinUntil([&] { return done.load(); });
    worker.join();
    QCoreApplication::processEvents();
    std::string expected;
    for (int i = 0; i < 50; ++i) expected += std::to_string(i) + ",";
    EXPECT_EQ(readBack.str(), expected);
    EXPECT_EQ(pathRead, "<------请选择图片------>"_gbk);
    EXPECT_EQ(w.ResultText().str(), expected);
    EXPECT_EQ(w.BusyLabel()->text(), QStringLiteral("完成"));
    EXPECT_TRUE(w.BusyPicture()->isHidden());
    EXPECT_TRUE(w.BusyLabel()->isHidden());
}

TEST_F(MainWindowTest, CallsAfterTheWindowIsGoneDoNothing) {
    { MainWindow w; }
    MainControls* c = Controls();
    ASSERT_NE(c, nullptr);
    std::thread worker([c] {
        c->SetResultText("x");
        EXPECT_TRUE(c->ResultText().empty());
    });
    worker.join();
    EXPECT_TRUE(c->ImagePath().empty());
}

TEST_F(MainWindowTest, StartUpRunsItsStepsInOrder) {
    std::vector<std::string> steps;
    uintptr_t tokenAtCreation = 0;
    QWidget other;
    bool guardFired = false;
    StartupHooks hooks;
    hooks.CreateOverlayObjects = [&] { steps.push_back("overlay"); };
    hooks.LocateSkinLibrary = [&] {
        steps.push_back("skin");
        App().SkinLibraryPath.set("/x/VELTO.dll");
    };
    hooks.StartDrawingLayer = [&] {
        steps.push_back("drawing");
        return uintptr_t{7};
    };
    hooks.MainWindowCreated = [&](MainWindow& w) {
        steps.push_back("created");
        tokenAtCreation = App().GdiplusToken.get();
        EXPECT_FALSE(w.isVisible());  // before the window shows and the loop runs
    };
    hooks.BeforeEventLoop = [&](MainWindow& w) {
        steps.push_back("loop");
        // Another top-level window stays open: closing MainWindow still ends the loop.
        other.show();
        QTimer::singleShot(0, &w, [&w] { w.close(); });
        // bound against a loop that would not end (not a timing check)
        QTimer::singleShot(20000, &w, [&] { guardFired = true; QCoreApplication::exit(0); });
    };
    App().GdiplusToken.set(0);
    EXPECT_EQ(RunProgram(g_argc, g_argv, hooks), 0);
    EXPECT_EQ(steps, (std::vector<std::string>{"overlay", "skin", "drawing", "created", "loop"}));
    EXPECT_FALSE(guardFired);
    EXPECT_EQ(tokenAtCreation, 7u);
    EXPECT_FALSE(RunDirectory().empty());

    // The drawing layer starts once: a second run keeps the token.
    steps.clear();
    EXPECT_EQ(RunProgram(g_argc, g_argv, hooks), 0);
    EXPECT_EQ(steps, (std::vector<std::string>{"overlay", "skin", "created", "loop"}));
}
