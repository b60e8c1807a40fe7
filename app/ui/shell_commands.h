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

namespace ql {

class MainWindow;

// The release page CheckUpdateButton opens.
inline constexpr char kReleasePageUrl[] = "https://qinglan.example.org/releases/";
// ImagePathEdit's text when no picture is shown.
Text ImagePathPlaceholder();  // "<------请选择图片------>"

// Several dropped files: each path followed by CR LF; a single file: its path alone.
QString JoinDroppedPaths(const QStringList& paths);
// The file that SaveResult writes: the desktop folder + "/" + decimal UploadId + ".txt".
QString SaveResultPath();

class ShellCommands : public QObject {
    Q_OBJECT
public:
    // Connects the commands to the window's controls; owned by the window.
    explicit ShellCommands(MainWindow& window);
    ~ShellCommands() override;

    MainWindow& window() const { return w_; }

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

    // Seams for tests: what starts the upload worker (default: StartUploadWorker) and what opens an
    // address (default: QDesktopServices::openUrl).
    void SetUploadStarter(std::function<void()> start) { startUpload_ = std::move(start); }
    void SetUrlOpener(std::function<bool(const QUrl&)> open) { openUrl_ = std::move(open); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowInformation(const Text& text, const Text& title);

    MainWindow& w_;
    // The objects the event filter watches, as identities only: the filter still sees events while the
    // window and its controls are being destroyed, when they must no longer be called as what they were.
    const QObject* pathId_;
    const QObject* resultId_;
    const QObject* viewportId_;
    bool dropBound_ = false;
    std::string keptFileName_;
    std::function<void()> startUpload_;
    std::function<bool(const QUrl&)> openUrl_;
};

}  // namespace ql
