// What MainWindow's controls do: choosing a picture (dialog or drop), the focus rule of the path box,
// the result box's menu (translation, copy), saving the result, the about window and the release page.
// All of it runs on the window thread; messages go through UiDialogs().
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <string>

#include "web/text.h"

class QAbstractButton;
class QAction;
class QLineEdit;
class QMenu;
class QWidget;

namespace ql {

inline constexpr char kImagePathPlaceholder[] = "<------请选择图片------>";
inline constexpr char kImageFileFilter[] = "图片文件（*.jpg;*.jpeg;*.png;*.bmp）|*.jpg;*.jpeg;*.png;*.bmp";
inline constexpr char kReleasePageUrl[] = "https://qinglan.example.org/releases/";

// The controls the commands work on (MainWindow's). resultEdit is a QPlainTextEdit or a QTextEdit.
// The menu's actions are found by their texts "汉-->英", "英-->汉", "复制全文".
struct ShellControls {
    QWidget* window = nullptr;
    QLineEdit* imagePathEdit = nullptr;
    QWidget* resultEdit = nullptr;
    QMenu* advancedMenu = nullptr;
    QAbstractButton* selectImageButton = nullptr;
    QAbstractButton* saveResultButton = nullptr;
    QAbstractButton* aboutButton = nullptr;
    QAbstractButton* checkUpdateButton = nullptr;
};

// Several dropped files: each path followed by CR LF; a single file: its path alone.
QString JoinDroppedPaths(const QStringList& paths);
// The file that SaveResult writes: the desktop folder + "/" + decimal UploadId + ".txt".
QString SaveResultPath();

class ShellCommands : public QObject {
    Q_OBJECT
public:
    explicit ShellCommands(const ShellControls& controls, QObject* parent = nullptr);
    ~ShellCommands() override;

    const ShellControls& controls() const { return c_; }

    // Commands.
    void SelectImage();
    void DropImage(const QString& droppedPath);
    void StartImageRecognition();
    void RestorePlaceholder();
    void ShowAdvancedMenu(const QPoint& globalPos);
    void TranslateZhToEn();
    void TranslateEnToZh();
    void CopyAll();
    void SaveResult();
    void ShowAbout();
    void OpenReleasePage();

    // From now on files dropped on ImagePathEdit (and only there) reach DropImage.
    void BindDropTarget();
    bool DropTargetBound() const { return dropBound_; }

    // The file name the open-file dialog keeps between openings (UTF-8).
    const std::string& KeptFileName() const { return keptFileName_; }

    // Seams for tests: what starts the upload worker (default: StartUploadWorker), what opens an address
    // (default: QDesktopServices::openUrl), and how the about window is run (default: exec()).
    void SetUploadStarter(std::function<void()> start) { startUpload_ = std::move(start); }
    void SetUrlOpener(std::function<bool(const QUrl&)> open) { openUrl_ = std::move(open); }

    QString ResultText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowInformation(const Text& text, const Text& title);

    ShellControls c_;
    QWidget* resultViewport_ = nullptr;
    bool dropBound_ = false;
    std::string keptFileName_;
    std::function<void()> startUpload_;
    std::function<bool(const QUrl&)> openUrl_;
};

}  // namespace ql
