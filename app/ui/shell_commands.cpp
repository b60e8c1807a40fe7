#include "app/ui/shell_commands.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextEdit>

#include "app/ui/about_window.h"
#include "app/app_state.h"
#include "app/dialogs.h"
#include "app/history.h"
#include "app/qt_dialogs.h"
#include "app/ui/main_window.h"
#include "services/recognition.h"
#include "services/translation.h"

namespace ql {

namespace {

// The local files among a drop's addresses.
QStringList LocalFiles(const QMimeData* mime) {
    QStringList files;
    if (mime == nullptr || !mime->hasUrls()) return files;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}

}  // namespace

QString JoinDroppedPaths(const QStringList& paths) {
    if (paths.size() == 1) return paths.front();
    QString joined;
    for (const QString& p : paths) joined += p + QStringLiteral("\r\n");
    return joined;
}

QString SaveResultPath() {
    QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return desktop + QLatin1Char('/') + QString::number(App().UploadId.get()) + QStringLiteral(".txt");
}

Text ImagePathPlaceholder() { return "<------请选择图片------>"_gbk; }

ShellCommands::ShellCommands(MainWindow& window)
    : QObject(&window), w_(window), startUpload_([] { StartUploadWorker(); }),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      pathId_(window.ImagePathEdit()), resultId_(window.ResultEdit()), viewportId_(window.ResultEdit()->viewport()) {
    QLineEdit* path = w_.ImagePathEdit();
    // Drops are refused until the creation handler binds the drop target, and nowhere else.
    path->setAcceptDrops(false);
    path->installEventFilter(this);
    QPlainTextEdit* result = w_.ResultEdit();
    result->setAcceptDrops(false);
    result->viewport()->setAcceptDrops(false);
    w_.setAcceptDrops(false);
    // The advanced menu replaces the result box's own context menu.
    result->setContextMenuPolicy(Qt::NoContextMenu);
    result->viewport()->setContextMenuPolicy(Qt::NoContextMenu);
    result->installEventFilter(this);
    result->viewport()->installEventFilter(this);

    connect(w_.SelectImageButton(), &QAbstractButton::clicked, this, [this] { SelectImage(); });
    connect(w_.SaveResultButton(), &QAbstractButton::clicked, this, [this] { SaveResult(); });
    connect(w_.AboutButton(), &QAbstractButton::clicked, this, [this] { ShowAbout(); });
    connect(w_.CheckUpdateButton(), &QAbstractButton::clicked, this, [this] { OpenReleasePage(); });
    connect(w_.ChineseToEnglishItem(), &QAction::triggered, this, [this] { TranslateZhToEn(); });
    connect(w_.EnglishToChineseItem(), &QAction::triggered, this, [this] { TranslateEnToZh(); });
    connect(w_.CopyAllItem(), &QAction::triggered, this, [this] { CopyAll(); });
}

ShellCommands::~ShellCommands() = default;

void ShellCommands::ShowInformation(const Text& text, const Text& title) {
    UiDialogs().ShowMessage(text, title, MessageIcon::Information);
}

void ShellCommands::SelectImage() {
    w_.ImagePathEdit()->setText(QString());
    std::optional<std::string> chosen = UiDialogs().OpenFile(MainWindow::ImageFileDialogFilter(), keptFileName_);
    if (chosen) keptFileName_ = *chosen;
    // The control holds the name as the file system gave it.
    w_.ImagePathEdit()->setText(QString::fromStdString(keptFileName_));
    StartImageRecognition();
}

void ShellCommands::DropImage(const QString& droppedPath) {
    w_.ImagePathEdit()->setText(droppedPath);
    StartImageRecognition();
}

void ShellCommands::StartImageRecognition() {
    Text path = w_.ImagePathText();
    App().CurrentFileName.set(FileNameOfPath(path));
    App().UploadId.set(RandomInRange(19999, 999999));
    RecordHistory();
    if (startUpload_) startUpload_();
}

void ShellCommands::RestorePlaceholder() { w_.SetImagePathText(ImagePathPlaceholder()); }

void ShellCommands::ShowAdvancedMenu(const QPoint& globalPos) {
    w_.AdvancedMenu()->popup(globalPos);
}

void ShellCommands::TranslateZhToEn() {
    TranslateCommand(ZhToEn, [this](const Text& text, const Text& title) { ShowInformation(text, title); });
}

void ShellCommands::TranslateEnToZh() {
    TranslateCommand(EnToZh, [this](const Text& text, const Text& title) { ShowInformation(text, title); });
}

void ShellCommands::CopyAll() {
    // Taken from the control: the clipboard gets the platform's own line breaks.
    QString text = w_.ResultEdit()->toPlainText();
    if (text.isEmpty()) {
        ShowInformation("待复制的内容是空白的！(╯▔皿▔)"_gbk, "提示！"_gbk);
        return;
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    bool ok = false;
    if (clipboard != nullptr) {
        clipboard->setText(text);
        ok = clipboard->text() == text;  // the clipboard may refuse (no owner, no display)
    }
    if (!ok) {
        UiDialogs().ShowMessage("复制失败！[○?｀Д′? ○]"_gbk, "成功？不没成功！"_gbk, MessageIcon::Error);
        return;
    }
    ShowInformation("全部文本已经复制到剪辑版，右键粘贴即可~~~(*?▽?*)"_gbk, "成功！"_gbk);
}

void ShellCommands::SaveResult() {
    Text text = w_.ResultText();  // GBK with CR LF line breaks
    if (text.empty()) {
        ShowInformation("让我给你保存一个空文件吗?/(ㄒoㄒ)/~~"_gbk, "(￢︿￢??☆)"_gbk);
        return;
    }
    Text idText(std::to_string(App().UploadId.get()));
    QString target = SaveResultPath();
    // A desktop folder that does not exist yet (common on Linux) is made rather than failing.
    QDir().mkpath(QFileInfo(target).absolutePath());
    // Written beside the target and renamed over it: a failed save keeps the earlier file whole.
    QSaveFile file(target);
    const std::string& bytes = text.str();
    bool ok = file.open(QIODevice::WriteOnly) &&
              file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size()) &&
              file.commit();
    if (!ok) {
        UiDialogs().ShowMessage("保存文件失败！"_gbk, "Error"_gbk, MessageIcon::Error);
        return;
    }
    ShowInformation("文件已经保存到桌面——"_gbk + idText + ".txt", "提示"_gbk);
}

void ShellCommands::ShowAbout() {
    AboutWindow about(&w_);
    about.RunCreationHandler();
    about.exec();
}

void ShellCommands::OpenReleasePage() {
    if (openUrl_) openUrl_(QUrl(QString::fromLatin1(kReleasePageUrl)));
}

void ShellCommands::BindDropTarget() {
    dropBound_ = true;
    w_.ImagePathEdit()->setAcceptDrops(true);
}

bool ShellCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pathId_) {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (edit == nullptr) return false;  // being destroyed
        switch (event->type()) {
        case QEvent::FocusOut:
            // RestorePlaceholder on the edit box itself (this also runs while the window is being
            // destroyed). The edit box's own popup menu takes no focus from it.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                edit->setText(TextToControl(ImagePathPlaceholder()));
            break;
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (dropBound_ && !LocalFiles(drag->mimeData()).isEmpty()) drag->acceptProposedAction();
            else drag->ignore();
            return true;  // the line edit's own text dropping is not used
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList files = dropBound_ ? LocalFiles(drop->mimeData()) : QStringList();
            if (files.isEmpty()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            DropImage(JoinDroppedPaths(files));
            return true;
        }
        default:
            break;
        }
        return false;
    }
    if (watched == resultId_ || watched == viewportId_) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::RightButton) {
                ShowAdvancedMenu(mouse->globalPosition().toPoint());
                return true;
            }
        } else if (event->type() == QEvent::ContextMenu) {
            return true;
        } else if (event->type() == QEvent::DragEnter || event->type() == QEvent::Drop ||
                   event->type() == QEvent::DragMove) {
            event->ignore();
            return true;
        }
    }
    return false;
}

}  // namespace ql
