// MainWindow's commands on the offscreen platform, with the recording dialogs answering every box.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <dlfcn.h>

#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/qt_dialogs.h"
#include "app/png_image.h"
#include "app/skin.h"
#include "app/ui/about_window.h"
#include "app/ui/main_window.h"
#include "app/ui/shell_commands.h"
#include "tests/app/shell_gui_util.h"

namespace ql {
namespace {

using test::ReadFile;
using test::SpinUntil;
using test::TempDir;

// Notes ImagePathEdit's text while the file dialog is open.
class DialogsSeeingThePath : public ScopedRecordingDialogs {
public:
    MainWindow* window = nullptr;
    std::vector<QString> pathWhileOpen;
    std::optional<std::string> OpenFile(const Text& filter, const std::string& initial) override {
        if (window) pathWhileOpen.push_back(window->ImagePathEdit()->text());
        return ScopedRecordingDialogs::OpenFile(filter, initial);
    }
};

class ShellCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::TheApp();
        App().Clear();
        SetRunDirectory(run.path());
        SetSystemFolder(run / "no-system");
        test::SetDesktopFolder(config, desktop.path());
        qApp->setStyleSheet(QString());
        window = std::make_unique<MainWindow>();
        commands = new ShellCommands(*window);
        commands->SetUploadStarter([this] { uploads.push_back(window->ImagePathText()); });
        commands->SetUrlOpener([this](const QUrl& u) { opened.push_back(u); return true; });
        dialogs.window = window.get();
        window->show();
    }
    void TearDown() override {
        window.reset();
        qApp->setStyleSheet(QString());
    }

    std::string Log() { return ReadFile(run / "ImgCode.log"); }
    const RecordingDialogs::Message& OnlyMessage() {
        EXPECT_EQ(dialogs.messages.size(), 1u);
        static RecordingDialogs::Message none{};
        return dialogs.messages.empty() ? none : dialogs.messages.back();
    }

    TempDir run, config, desktop;
    DialogsSeeingThePath dialogs;
    std::unique_ptr<MainWindow> window;
    ShellCommands* commands = nullptr;  // owned by the window
    std::vector<Text> uploads;          // ImagePathEdit's text whenever an upload worker was started
    std::vector<QUrl> opened;
};

// --- choosing a picture ---

TEST_F(ShellCommandsTest, SelectImageConfirmThenCancelKeepsTheLastName) {
    const std::string first = run / "图片/截图.png";
    dialogs.fileAnswers = {first, std::nullopt};

    window->SelectImageButton()->click();
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].filter,
              "图片文件（*.jpg;*.jpeg;*.png;*.bmp）|*.jpg;*.jpeg;*.png;*.bmp"_gbk);
    EXPECT_EQ(dialogs.fileRequests[0].initialPath, "");
    EXPECT_EQ(dialogs.pathWhileOpen.at(0), QString()) << "the path box is empty while the dialog is open";
    EXPECT_EQ(window->ImagePathEdit()->text(), QString::fromStdString(first));
    EXPECT_EQ(App().CurrentFileName.get(), "截图.png"_gbk);
    int id1 = App().UploadId.get();
    EXPECT_GE(id1, 19999);
    EXPECT_LE(id1, 52766);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0], Text(Utf8ToGbkBytes(first)));

    window->SelectImageButton()->click();  // cancelled: the kept name again, a new id
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[1].initialPath, first);
    EXPECT_EQ(window->ImagePathEdit()->text(), QString::fromStdString(first));
    ASSERT_EQ(uploads.size(), 2u);
    int id2 = App().UploadId.get();
    EXPECT_EQ(Log(), ("|截图.png-->"_gbk).str() + std::to_string(id2) + "\r\n" +
                         ("|截图.png-->"_gbk).str() + std::to_string(id1) + "\r\n");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ShellCommandsTest, CancellingTheFirstDialogSendsAnEmptyPath) {
    window->SelectImageButton()->click();
    EXPECT_EQ(window->ImagePathEdit()->text(), QString());
    EXPECT_EQ(App().CurrentFileName.get(), Text());
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0], Text());
    EXPECT_EQ(Log(), "|-->" + std::to_string(App().UploadId.get()) + "\r\n");
}

TEST_F(ShellCommandsTest, FocusLeavingThePathBoxRestoresThePlaceholder) {
    window->activateWindow();
    ASSERT_TRUE(SpinUntil([&] { return window->isActiveWindow(); }));
    window->SetImagePathText("/home/u/a.png");
    window->ImagePathEdit()->setFocus();
    ASSERT_TRUE(SpinUntil([&] { return window->ImagePathEdit()->hasFocus(); }));
    EXPECT_EQ(window->ImagePathText(), Text("/home/u/a.png"));
    // The edit box's own popup menu opening does not count as leaving it.
    QFocusEvent popupOut(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(window->ImagePathEdit(), &popupOut);
    EXPECT_EQ(window->ImagePathText(), Text("/home/u/a.png"));
    window->ImagePathEdit()->setFocus();
    window->SaveResultButton()->setFocus();
    ASSERT_TRUE(SpinUntil([&] { return window->SaveResultButton()->hasFocus(); }));
    EXPECT_EQ(window->ImagePathText(), "<------请选择图片------>"_gbk);
    // A recognition started now reads the placeholder as its path.
    commands->StartImageRecognition();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0], "<------请选择图片------>"_gbk);
    EXPECT_EQ(App().CurrentFileName.get(), "<------请选择图片------>"_gbk);
}

// --- drops ---

TEST_F(ShellCommandsTest, DropsBeforeTheTargetIsBoundAreRefused) {
    const QString file = QString::fromStdString(run / "a.png");
    EXPECT_FALSE(test::DragAndDrop(*window, test::CentreIn(*window, window->ImagePathEdit()), test::FileUrls({file})));
    EXPECT_TRUE(uploads.empty());
    EXPECT_FALSE(test::Exists(run / "ImgCode.log"));
    EXPECT_EQ(window->ImagePathText(), "<------请选择图片------>"_gbk);
}

TEST_F(ShellCommandsTest, DropsReachOnlyThePathBox) {
    commands->BindDropTarget();
    const QString a = QString::fromStdString(run / "a.png");
    const QString b = QString::fromStdString(run / "sub/图.bmp");
    struct Case { const char* what; QWidget* target; QList<QUrl> urls; bool accepted; Text path; Text name; };
    const Case cases[] = {
        {"one file", window->ImagePathEdit(), test::FileUrls({a}), true, Text(a.toStdString()), "a.png"},
        {"two files", window->ImagePathEdit(), test::FileUrls({a, b}), true,
         Text(a.toStdString() + "\r\n" + Utf8ToGbkBytes(b.toStdString()) + "\r\n"), "图.bmp\r\n"_gbk},
        {"on the result box", window->ResultEdit(), test::FileUrls({a}), false, {}, {}},
        {"on a button", window->SaveResultButton(), test::FileUrls({a}), false, {}, {}},
        {"not a file", window->ImagePathEdit(), {QUrl("http://127.0.0.1/x.png")}, false, {}, {}},
    };
    for (const Case& c : cases) {
        uploads.clear();
        window->SetImagePathText("unchanged");
        bool accepted = test::DragAndDrop(*window, test::CentreIn(*window, c.target), c.urls);
        EXPECT_EQ(accepted, c.accepted) << c.what;
        if (c.accepted) {
            ASSERT_EQ(uploads.size(), 1u) << c.what;
            EXPECT_EQ(uploads[0], c.path) << c.what;
            EXPECT_EQ(window->ImagePathText(), c.path) << c.what;
            EXPECT_EQ(App().CurrentFileName.get(), c.name) << c.what;
            EXPECT_EQ(Log().rfind("|" + c.name.str() + "-->" + std::to_string(App().UploadId.get()) + "\r\n", 0), 0u)
                << c.what;
        } else {
            EXPECT_TRUE(uploads.empty()) << c.what;
            EXPECT_EQ(window->ImagePathText(), Text("unchanged")) << c.what;
        }
    }
}

// --- the result box's menu ---

TEST_F(ShellCommandsTest, RightPressOpensTheAdvancedMenuInsteadOfTheEditMenu) {
    QWidget* viewport = window->ResultEdit()->viewport();
    QPoint local(40, 60);
    QPoint global = viewport->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(local), QPointF(global), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &press);
    QContextMenuEvent context(QContextMenuEvent::Mouse, local, global);
    QCoreApplication::sendEvent(viewport, &context);
    ASSERT_TRUE(SpinUntil([&] { return window->AdvancedMenu()->isVisible(); }));
    EXPECT_EQ(window->AdvancedMenu()->pos(), global);
    int menus = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMenu*>(w) && w->isVisible()) ++menus;
    EXPECT_EQ(menus, 1) << "only the advanced menu shows";
    window->AdvancedMenu()->hide();

    // A left press is the edit box's own (caret placement), no menu.
    QMouseEvent left(QEvent::MouseButtonPress, QPointF(local), QPointF(global), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &left);
    test::Spin();
    EXPECT_FALSE(window->AdvancedMenu()->isVisible());
}

TEST_F(ShellCommandsTest, TranslatingAnEmptyResultShowsTheInformationBox) {
    for (QAction* item : {window->ChineseToEnglishItem(), window->EnglishToChineseItem()}) {
        dialogs.Clear();
        item->trigger();
        const auto& m = OnlyMessage();
        EXPECT_EQ(m.text, "待翻译的内容是空白的！(╯▔皿▔)╯"_gbk);
        EXPECT_EQ(m.title, "提示！"_gbk);
        EXPECT_EQ(m.icon, MessageIcon::Information);
        EXPECT_EQ(m.buttons, MessageButtons::Ok);
    }
}

TEST_F(ShellCommandsTest, CopyAll) {
    struct Case { QString result; Text text; Text title; };
    const Case cases[] = {
        {"", "待复制的内容是空白的！(╯▔皿▔)"_gbk, "提示！"_gbk},
        {"   ", "全部文本已经复制到剪辑版，右键粘贴即可~~~(*?▽?*)"_gbk, "成功！"_gbk},
        {"\n", "全部文本已经复制到剪辑版，右键粘贴即可~~~(*?▽?*)"_gbk, "成功！"_gbk},
        {QString::fromUtf8("第一行\n second line"), "全部文本已经复制到剪辑版，右键粘贴即可~~~(*?▽?*)"_gbk, "成功！"_gbk},
    };
    for (const Case& c : cases) {
        dialogs.Clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        window->ResultEdit()->setPlainText(c.result);
        window->CopyAllItem()->trigger();
        const auto& m = OnlyMessage();
        EXPECT_EQ(m.text, c.text);
        EXPECT_EQ(m.title, c.title);
        EXPECT_EQ(m.icon, MessageIcon::Information);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), c.result.isEmpty() ? QStringLiteral("before") : c.result);
    }
}

// --- saving ---

TEST_F(ShellCommandsTest, SaveBeforeAnyChoiceWrites0TxtWithTheGbkBytes) {
    window->SetResultText("识别结果：\r\n  第二行 line"_gbk);
    window->SaveResultButton()->click();
    const auto& m = OnlyMessage();
    EXPECT_EQ(m.text, "文件已经保存到桌面——0.txt"_gbk);
    EXPECT_EQ(m.title, "提示"_gbk);
    EXPECT_EQ(m.icon, MessageIcon::Information);
    EXPECT_EQ(ReadFile(desktop / "0.txt"), ("识别结果：\r\n  第二行 line"_gbk).str());
}

TEST_F(ShellCommandsTest, SavesFollowTheLastChoiceAndReplaceTheFile) {
    dialogs.fileAnswers = {std::string("/p/a.png")};
    window->SelectImageButton()->click();
    const std::string name = std::to_string(App().UploadId.get()) + ".txt";
    window->SetResultText("第一次的结果，很长很长"_gbk);
    window->SaveResultButton()->click();
    window->SetResultText(" "_gbk);  // only a space: still content
    window->SaveResultButton()->click();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text, "文件已经保存到桌面——"_gbk + Text(name));
    EXPECT_EQ(ReadFile(desktop / name), " ");
}

TEST_F(ShellCommandsTest, SavingAnEmptyResultWritesNothing) {
    window->SaveResultButton()->click();
    const auto& m = OnlyMessage();
    EXPECT_EQ(m.text, "让我给你保存一个空文件吗?/(ㄒoㄒ)/~~"_gbk);
    EXPECT_EQ(m.title, "(￢︿￢??☆)"_gbk);
    EXPECT_EQ(m.icon, MessageIcon::Information);
    EXPECT_FALSE(test::Exists(desktop / "0.txt"));
}

TEST_F(ShellCommandsTest, SaveFailures) {
    window->SetResultText("text");
    // A desktop folder that does not exist yet is made.
    test::SetDesktopFolder(config, desktop / "new/Desktop");
    window->SaveResultButton()->click();
    EXPECT_EQ(ReadFile(desktop / "new/Desktop/0.txt"), "text");
    // A desktop "folder" that is a file cannot hold the result.
    ASSERT_TRUE(test::WriteFile(desktop / "plain-file", "x"));
    test::SetDesktopFolder(config, desktop / "plain-file");
    dialogs.Clear();
    window->SaveResultButton()->click();
    const auto& m = OnlyMessage();
    EXPECT_EQ(m.text, "保存文件失败！"_gbk);
    EXPECT_EQ(m.title, "Error"_gbk);
    EXPECT_EQ(m.icon, MessageIcon::Error);
    EXPECT_EQ(ReadFile(desktop / "plain-file"), "x");
}

// --- about window and release page ---

struct AboutSeen {
    bool modal = false;
    QString title;
    QSize size;
    QRect banner;
    QImage bannerPixels;
    QString description, notes;
};

TEST_F(ShellCommandsTest, AboutWithoutTheSkinLibraryShowsTheMessageAndOpensAllTheSame) {
    AboutSeen seen;
    auto* timer = new QTimer(window.get());
    QObject::connect(timer, &QTimer::timeout, [&] {
        auto* about = qobject_cast<AboutWindow*>(QApplication::activeModalWidget());
        if (about == nullptr || !about->isVisible()) return;
        seen.modal = about->isModal();
        seen.title = about->windowTitle();
        seen.size = about->size();
        seen.banner = about->Banner()->geometry();
        seen.bannerPixels = about->Banner()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        seen.description = about->Description()->text();
        seen.notes = about->VersionNotes()->text();
        timer->stop();
        about->accept();
    });
    timer->start(5);
    window->AboutButton()->click();  // returns once the modal window closed

    const auto& m = OnlyMessage();
    EXPECT_EQ(m.text, "缺少重要文件——‘VELTO.dll'，请到官网下载完整版或者'VELTO.dll'放到软件根目录即可！"_gbk);
    EXPECT_EQ(m.title, "错误！"_gbk);
    EXPECT_EQ(m.icon, MessageIcon::Error);
    EXPECT_TRUE(seen.modal);
    EXPECT_EQ(seen.title, QString::fromUtf8("关于软件"));
    EXPECT_EQ(seen.size, QSize(556, 400));
    EXPECT_EQ(seen.banner, QRect(2, 1, 550, 166));
    EXPECT_EQ(seen.bannerPixels, AboutBannerImage().convertToFormat(QImage::Format_ARGB32));
    EXPECT_TRUE(seen.description.startsWith(QString::fromUtf8("青岚识文\n")));
    EXPECT_TRUE(seen.description.contains(QString::fromUtf8("目前仅支持中文和简单的英文")));
    QStringList lines = seen.notes.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[0], QString::fromUtf8("版本信息：V1.3.0.0"));
    EXPECT_EQ(lines[2], QString::fromUtf8("更新日志："));
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(lines[3 + i].startsWith(QString::number(i + 1) + ". "));
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    // The notes' text: every line ended by CR LF.
    std::string notes = AboutVersionNotesText().str();
    EXPECT_EQ(notes.substr(notes.size() - 2), "\r\n");
    EXPECT_EQ(notes.rfind(("版本信息：V1.3.0.0\r\n"_gbk).str(), 0), 0u);
}

TEST_F(ShellCommandsTest, EachOpeningOfAboutAppliesTheSkinAgain) {
    test::CopyInto(VELTO_COUNTING_PATH, run.path());
    int shown = 0;
    auto* timer = new QTimer(window.get());
    QObject::connect(timer, &QTimer::timeout, [&] {
        auto* about = qobject_cast<AboutWindow*>(QApplication::activeModalWidget());
        if (about == nullptr || !about->isVisible()) return;
        ++shown;
        about->accept();
    });
    timer->start(5);
    window->AboutButton()->click();
    window->AboutButton()->click();
    timer->stop();
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(GbkToUtf8Bytes(App().SkinLibraryPath.get().str()), run / "VELTO.dll");
    void* h = dlopen((run / "VELTO.dll").c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(h, nullptr);
    auto count = reinterpret_cast<int (*)()>(dlsym(h, "VeltoAttachCount"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count(), 2);
    dlclose(h);
    EXPECT_FALSE(qApp->styleSheet().isEmpty());
}

TEST_F(ShellCommandsTest, CheckUpdateOpensTheReleasePage) {
    window->CheckUpdateButton()->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(QString::fromLatin1(kReleasePageUrl)));
    EXPECT_EQ(opened[0].scheme(), "https");
    EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace ql

namespace ql {
namespace {

// The real message box: what it shows, and which of its buttons was pressed.
TEST(QtDialogsTest, MessageBoxShowsTheTextsIconAndButtons) {
    test::TheApp();
    QtDialogs real;
    struct Case { MessageIcon icon; MessageButtons buttons; QMessageBox::Icon qicon; QMessageBox::StandardButton press;
                  DialogButton result; int buttonCount; };
    const Case cases[] = {
        {MessageIcon::Information, MessageButtons::Ok, QMessageBox::Information, QMessageBox::Ok, DialogButton::Ok, 1},
        {MessageIcon::Error, MessageButtons::Ok, QMessageBox::Critical, QMessageBox::Ok, DialogButton::Ok, 1},
        {MessageIcon::Question, MessageButtons::YesNo, QMessageBox::Question, QMessageBox::No, DialogButton::No, 2},
        {MessageIcon::Warning, MessageButtons::RetryCancel, QMessageBox::Warning, QMessageBox::Cancel,
         DialogButton::Cancel, 2},
    };
    for (const Case& c : cases) {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int buttons = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible()) return;
            timer.stop();
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = static_cast<int>(box->buttons().size());
            box->button(c.press)->click();
        });
        timer.start(5);
        DialogButton r = real.ShowMessage("保存文件失败！"_gbk, "Error", c.icon, c.buttons);
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(title, QStringLiteral("Error"));
        EXPECT_EQ(text, QString::fromUtf8("保存文件失败！"));
        EXPECT_EQ(icon, c.qicon);
        EXPECT_EQ(buttons, c.buttonCount);
    }
}

}  // namespace
}  // namespace ql
