#include "app/ui/about_window.h"

#include <QLabel>
#include <QPixmap>

#include "app/dialogs.h"
#include "app/png_image.h"
#include "app/qt_dialogs.h"
#include "app/skin.h"

namespace ql {

Text MissingSkinLibraryText() {
    return "缺少重要文件——‘VELTO.dll'，请到官网下载完整版或者'VELTO.dll'放到软件根目录即可！"_gbk;
}
Text MissingSkinLibraryTitle() { return "错误！"_gbk; }

Text AboutDescriptionText() {
    return "青岚识文\r\n\r\n"
           "一个把图片里的文字变成可编辑文本的小工具：选择或拖入常见的 JPG、PNG、BMP 图片，"
           "也可以按 F7 截取屏幕上的一块区域，识别出的文字会显示在结果框里，"
           "可以复制、保存，或者在中英文之间互译。\r\n\r\n"
           "目前仅支持中文和简单的英文。\r\n"_gbk;
}

Text AboutVersionNotesText() {
    return "版本信息：V1.3.0.0\r\n"
           "发布日期：2018年6月13日\r\n"
           "更新日志：\r\n"
           "1. 新增快捷键截图识别（F7）\r\n"
           "2. 新增汉英、英汉互译\r\n"
           "3. 支持把图片直接拖到路径框\r\n"
           "4. 识别结果可一键保存到桌面\r\n"
           "5. 新增历史记录 ImgCode.log\r\n"_gbk;
}

QString DisplayText(const Text& gbk) {
    QString s = ToQString(gbk);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

QImage AboutBannerImage() {
    DecodedPng png;
    if (!DecodePng(AboutBannerPng(), AboutBannerPngSize(), png)) return {};
    QImage view(png.bgra.data(), png.width, png.height, png.width * 4, QImage::Format_ARGB32);
    return view.copy();  // own the pixels
}

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(ToQString("关于软件"_gbk));
    setFixedSize(556, 400);
    setModal(true);

    banner_ = new QLabel(this);
    banner_->setObjectName(QStringLiteral("AboutBanner"));
    banner_->setGeometry(2, 1, 550, 166);
    banner_->setPixmap(QPixmap::fromImage(AboutBannerImage()));

    description_ = new QLabel(this);
    description_->setObjectName(QStringLiteral("AboutDescription"));
    description_->setGeometry(8, 168, 264, 200);
    description_->setAttribute(Qt::WA_TranslucentBackground);
    description_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    description_->setWordWrap(true);
    description_->setText(DisplayText(AboutDescriptionText()));

    versionNotes_ = new QLabel(this);
    versionNotes_->setObjectName(QStringLiteral("AboutVersionNotes"));
    versionNotes_->setGeometry(279, 168, 270, 200);
    versionNotes_->setAttribute(Qt::WA_TranslucentBackground);
    versionNotes_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    versionNotes_->setWordWrap(true);
    versionNotes_->setText(DisplayText(AboutVersionNotesText()));
}

void AboutWindow::RunCreationHandler() {
    std::string inRun = RunDirectorySkinLibrary();
    if (FileExists(inRun)) {
        LocateSkinLibraryPath(inRun);
        ApplySkin();
        return;
    }
    UiDialogs().ShowMessage(MissingSkinLibraryText(), MissingSkinLibraryTitle(), MessageIcon::Error);
}

}  // namespace ql
