#include "app/ui/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMovie>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <future>
#include <memory>
#include <mutex>

#include "app/qt_dialogs.h"
#include "app/ui/fonts.h"
#include "resources/resources.h"
#include "services/main_controls.h"

namespace ql {

QString TextToControl(const Text& gbk) {
    QString s = ToQString(gbk);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

Text TextFromControl(const QString& s) {
    QString t = s;
    t.replace(QChar(0x2029), QChar('\n'));  // paragraph separators of a selection
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QChar('\n'), QStringLiteral("\r\n"));
    return FromQString(t);
}

namespace {

// The pipelines' view of the controls. It outlives every MainWindow, so a worker that took the pointer
// never reaches a destroyed window: calls made after the window went away do nothing (reads give the
// empty text). Writes from other threads are queued to the window thread in call order; a read from
// another thread is queued behind them and waits for the window thread's answer.
class WindowControls : public MainControls {
public:
    void Attach(MainWindow* w) {
        std::lock_guard<std::mutex> l(m_);
        window_ = w;
    }
    void Detach(MainWindow* w) {
        std::lock_guard<std::mutex> l(m_);
        if (window_ == w) window_ = nullptr;
    }

    Text ImagePath() override { return Read([](MainWindow& w) { return w.ImagePathText(); }); }
    Text ResultText() override { return Read([](MainWindow& w) { return w.ResultText(); }); }
    void SetResultText(const Text& t) override { Write([t](MainWindow& w) { w.SetResultText(t); }); }
    void AppendResultText(const Text& t) override { Write([t](MainWindow& w) { w.AppendResultText(t); }); }
    void SetBusyLabelText(const Text& t) override { Write([t](MainWindow& w) { w.SetBusyLabelText(t); }); }
    void SetBusyPictureVisible(bool v) override { Write([v](MainWindow& w) { w.SetBusyPictureVisible(v); }); }
    void SetBusyLabelVisible(bool v) override { Write([v](MainWindow& w) { w.SetBusyLabelVisible(v); }); }

private:
    template <class F>
    void Write(F f) {
        std::unique_lock<std::mutex> l(m_);
        MainWindow* w = window_;
        if (!w) return;
        if (QThread::currentThread() == w->thread()) {
            l.unlock();
            f(*w);
            return;
        }
        // Posted while the lock keeps the window alive; a window destroyed later drops its posted calls.
        QMetaObject::invokeMethod(w, [w, f] { f(*w); }, Qt::QueuedConnection);
    }

    template <class F>
    Text Read(F f) {
        std::unique_lock<std::mutex> l(m_);
        MainWindow* w = window_;
        if (!w) return Text();
        if (QThread::currentThread() == w->thread()) {
            l.unlock();
            return f(*w);
        }
        auto answer = std::make_shared<std::promise<Text>>();
        std::future<Text> result = answer->get_future();
        QMetaObject::invokeMethod(w, [w, f, answer] { answer->set_value(f(*w)); }, Qt::QueuedConnection);
        l.unlock();
        // Wait for the window thread, but give up when the window goes away before answering (its
        // posted call is then dropped and would never answer).
        while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
            std::lock_guard<std::mutex> g(m_);
            if (window_ != w) return Text();
        }
        return result.get();
    }

    std::mutex m_;
    MainWindow* window_ = nullptr;
};

WindowControls& TheWindowControls() {
    static auto* c = new WindowControls;  // never destroyed: detached workers may still hold it
    return *c;
}

// Plays the busy animation exactly while its picture box shows, however it is shown or hidden.
class MovieWhileShown : public QObject {
public:
    MovieWhileShown(QMovie* movie, QObject* parent) : QObject(parent), movie_(movie) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) movie_->start();
        else if (event->type() == QEvent::Hide) movie_->stop();
        return QObject::eventFilter(watched, event);
    }
private:
    QMovie* movie_;
};

QPalette WhiteBackground(QPalette p, const QColor& text) {
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(group, QPalette::Base, Qt::white);
        p.setColor(group, QPalette::Text, text);
    }
    return p;
}

}  // namespace

Text MainWindow::ImageFileDialogFilter() {
    return "图片文件（*.jpg;*.jpeg;*.png;*.bmp）|*.jpg;*.jpeg;*.png;*.bmp"_gbk;
}

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    InitResources();
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("青岚识文"));
    setFixedSize(kClientWidth, kClientHeight);
    setFont(PixelFont(YaheiFamily(), 12));

    workAreaGroup_ = new QGroupBox(QStringLiteral("操作区"), this);
    workAreaGroup_->setObjectName(QStringLiteral("WorkAreaGroup"));
    workAreaGroup_->setGeometry(1, 1, 309, 475);

    imagePathEdit_ = new QLineEdit(QStringLiteral("<------请选择图片------>"), workAreaGroup_);
    imagePathEdit_->setObjectName(QStringLiteral("ImagePathEdit"));
    imagePathEdit_->setGeometry(6, 21, 220, 24);
    imagePathEdit_->setReadOnly(true);
    imagePathEdit_->setFont(PixelFont(Gb2312Family(), 16));
    imagePathEdit_->setPalette(WhiteBackground(imagePathEdit_->palette(), Qt::black));
    imagePathEdit_->setCursorPosition(0);

    selectImageButton_ = new QPushButton(QStringLiteral("选择图片"), workAreaGroup_);
    selectImageButton_->setObjectName(QStringLiteral("SelectImageButton"));
    selectImageButton_->setGeometry(231, 21, 72, 24);

    resultEdit_ = new QPlainTextEdit(workAreaGroup_);
    resultEdit_->setObjectName(QStringLiteral("ResultEdit"));
    resultEdit_->setGeometry(6, 49, 297, 419);
    resultEdit_->setReadOnly(true);
    // read-only, yet the caret can be placed and text selected and copied
    resultEdit_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    resultEdit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    resultEdit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resultEdit_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    resultEdit_->setFrameShape(QFrame::Box);
    resultEdit_->setLineWidth(1);
    resultEdit_->setFont(PixelFont(YaheiFamily(), 19));
    resultEdit_->setPalette(WhiteBackground(resultEdit_->palette(), QColor(255, 0, 0)));

    busyMovie_ = new QMovie(QString::fromLatin1(kBusyAnimationPath), QByteArray(), this);
    busyMovie_->setCacheMode(QMovie::CacheAll);
    busyPicture_ = new QLabel(workAreaGroup_);
    busyPicture_->setObjectName(QStringLiteral("BusyPicture"));
    busyPicture_->setGeometry(7, 239, 64, 64);
    busyPicture_->setAttribute(Qt::WA_TranslucentBackground);
    busyPicture_->setMovie(busyMovie_);
    busyPicture_->hide();
    busyPicture_->installEventFilter(new MovieWhileShown(busyMovie_, busyPicture_));

    busyLabel_ = new QLabel(QStringLiteral("正在进行识别……"), workAreaGroup_);
    busyLabel_->setObjectName(QStringLiteral("BusyLabel"));
    busyLabel_->setGeometry(68, 239, 232, 64);
    busyLabel_->setAttribute(Qt::WA_TranslucentBackground);
    busyLabel_->setAutoFillBackground(false);
    busyLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    busyLabel_->hide();
    // above the result box they cover
    busyPicture_->raise();
    busyLabel_->raise();

    // The row below the work area belongs to the window itself.
    hotkeyCheck_ = new QCheckBox(QStringLiteral("启用快捷键截图"), this);
    hotkeyCheck_->setObjectName(QStringLiteral("HotkeyCheck"));
    hotkeyCheck_->setGeometry(0, 482, 104, 24);
    hotkeyCheck_->setChecked(false);
    // seven characters and the box must fit into 104 pixels
    hotkeyCheck_->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px; }"));

    saveResultButton_ = new QPushButton(QStringLiteral("保存结果"), this);
    saveResultButton_->setObjectName(QStringLiteral("SaveResultButton"));
    saveResultButton_->setGeometry(104, 482, 65, 24);

    aboutButton_ = new QPushButton(QStringLiteral("关于软件"), this);
    aboutButton_->setObjectName(QStringLiteral("AboutButton"));
    aboutButton_->setGeometry(168, 482, 65, 24);

    checkUpdateButton_ = new QPushButton(QStringLiteral("检查新版本"), this);
    checkUpdateButton_->setObjectName(QStringLiteral("CheckUpdateButton"));
    checkUpdateButton_->setGeometry(232, 482, 78, 24);

    hotkeyTimer_ = new QTimer(this);
    hotkeyTimer_->setObjectName(QStringLiteral("HotkeyTimer"));
    hotkeyTimer_->setTimerType(Qt::CoarseTimer);
    hotkeyTimer_->setInterval(kHotkeyPeriodMs);
    hotkeyTimer_->start();

    advancedMenu_ = new QMenu(QStringLiteral("高级菜单"), this);
    advancedMenu_->setObjectName(QStringLiteral("AdvancedMenu"));
    chineseToEnglishItem_ = advancedMenu_->addAction(QStringLiteral("汉-->英"));
    englishToChineseItem_ = advancedMenu_->addAction(QStringLiteral("英-->汉"));
    copyAllItem_ = advancedMenu_->addAction(QStringLiteral("复制全文"));

    TheWindowControls().Attach(this);
    SetMainControls(&TheWindowControls());
}

MainWindow::~MainWindow() { TheWindowControls().Detach(this); }

Text MainWindow::ImagePathText() const { return TextFromControl(imagePathEdit_->text()); }

void MainWindow::SetImagePathText(const Text& text) {
    imagePathEdit_->setText(TextToControl(text));
    imagePathEdit_->setCursorPosition(0);
}

Text MainWindow::ResultText() const { return TextFromControl(resultEdit_->toPlainText()); }

void MainWindow::SetResultText(const Text& text) { resultEdit_->setPlainText(TextToControl(text)); }

void MainWindow::AppendResultText(const Text& text) {
    QTextCursor c(resultEdit_->document());
    c.movePosition(QTextCursor::End);
    c.insertText(TextToControl(text));
}

void MainWindow::SetBusyLabelText(const Text& text) { busyLabel_->setText(TextToControl(text)); }

void MainWindow::SetBusyPictureVisible(bool visible) { busyPicture_->setVisible(visible); }

void MainWindow::SetBusyLabelVisible(bool visible) { busyLabel_->setVisible(visible); }

}  // namespace ql
