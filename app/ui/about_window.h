// AboutWindow: the banner, a short description and the version notes. Modal, no commands.
#pragma once

#include <QDialog>
#include <QImage>

#include "web/text.h"

class QLabel;

namespace ql {

// The missing skin library message, shown at MainWindow creation and at every opening of AboutWindow.
Text MissingSkinLibraryText();   // "缺少重要文件——‘VELTO.dll'，请到官网下载完整版或者'VELTO.dll'放到软件根目录即可！"
Text MissingSkinLibraryTitle();  // "错误！"

Text AboutDescriptionText();   // lines ended by CR LF
Text AboutVersionNotesText();  // "版本信息：V1.3.0.0", the release date, "更新日志：" and five changes, each + CR LF

// The embedded banner decoded through libpng; a null image when it cannot be decoded.
QImage AboutBannerImage();

class AboutWindow : public QDialog {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent = nullptr);

    // With VELTO.dll in the run directory: LocateSkinLibrary with its path, then ApplySkin. Otherwise the
    // missing-library error box. Called once by the opening, before the window is shown.
    void RunCreationHandler();

    QLabel* Banner() const { return banner_; }
    QLabel* Description() const { return description_; }
    QLabel* VersionNotes() const { return versionNotes_; }

private:
    QLabel* banner_;
    QLabel* description_;
    QLabel* versionNotes_;
};

// Shows a control's text: the GBK text in Unicode, CR LF shown as one line break.
QString DisplayText(const Text& gbk);

}  // namespace ql
