// MainWindow: the path box, the result box, the busy indicator, the row of buttons and the check box.
// It only lays out its controls; the commands, the hotkey and the creation handler are connected from
// outside through the accessors below (each named by its control).
#pragma once

#include <QWidget>

#include "web/text.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMovie;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace ql {

// No signals or slots of its own (no Q_OBJECT): users connect to the controls' signals.
class MainWindow : public QWidget {
public:
    // Outer size of the window with a classic frame, and the client area inside that frame (3-pixel
    // borders, 26-pixel caption), which holds every control. The window manager draws the frame.
    static constexpr int kOuterWidth = 317;
    static constexpr int kOuterHeight = 537;
    static constexpr int kClientWidth = 311;
    static constexpr int kClientHeight = 508;
    static constexpr int kHotkeyPeriodMs = 100;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    QGroupBox* WorkAreaGroup() const { return workAreaGroup_; }
    QLineEdit* ImagePathEdit() const { return imagePathEdit_; }
    QPushButton* SelectImageButton() const { return selectImageButton_; }
    QPlainTextEdit* ResultEdit() const { return resultEdit_; }
    QLabel* BusyPicture() const { return busyPicture_; }
    QMovie* BusyMovie() const { return busyMovie_; }
    QLabel* BusyLabel() const { return busyLabel_; }
    QCheckBox* HotkeyCheck() const { return hotkeyCheck_; }
    QPushButton* SaveResultButton() const { return saveResultButton_; }
    QPushButton* AboutButton() const { return aboutButton_; }
    QPushButton* CheckUpdateButton() const { return checkUpdateButton_; }
    // Runs from construction on; connect its timeout() to the hotkey poll.
    QTimer* HotkeyTimer() const { return hotkeyTimer_; }
    // Not attached to anything: the result box's context-menu handler pops it up.
    QMenu* AdvancedMenu() const { return advancedMenu_; }
    QAction* ChineseToEnglishItem() const { return chineseToEnglishItem_; }  // "汉-->英"
    QAction* EnglishToChineseItem() const { return englishToChineseItem_; }  // "英-->汉"
    QAction* CopyAllItem() const { return copyAllItem_; }                    // "复制全文"
    // ImageFileDialog has no window of its own: it is the open-file dialog opened with this filter.
    static Text ImageFileDialogFilter();

    // The controls' texts as GBK, with CR LF line breaks (the edit boxes hold Unicode). Window thread only.
    Text ImagePathText() const;
    void SetImagePathText(const Text& text);
    Text ResultText() const;
    void SetResultText(const Text& text);
    void AppendResultText(const Text& text);  // at the end, whatever the caret and selection
    void SetBusyLabelText(const Text& text);
    void SetBusyPictureVisible(bool visible);  // the animation runs while the picture shows
    void SetBusyLabelVisible(bool visible);

private:
    QGroupBox* workAreaGroup_ = nullptr;
    QLineEdit* imagePathEdit_ = nullptr;
    QPushButton* selectImageButton_ = nullptr;
    QPlainTextEdit* resultEdit_ = nullptr;
    QLabel* busyPicture_ = nullptr;
    QMovie* busyMovie_ = nullptr;
    QLabel* busyLabel_ = nullptr;
    QCheckBox* hotkeyCheck_ = nullptr;
    QPushButton* saveResultButton_ = nullptr;
    QPushButton* aboutButton_ = nullptr;
    QPushButton* checkUpdateButton_ = nullptr;
    QTimer* hotkeyTimer_ = nullptr;
    QMenu* advancedMenu_ = nullptr;
    QAction* chineseToEnglishItem_ = nullptr;
    QAction* englishToChineseItem_ = nullptr;
    QAction* copyAllItem_ = nullptr;
};

// Line breaks at the controls' edge: the program's texts use CR LF, the edit boxes a plain LF.
QString TextToControl(const Text& gbk);
Text TextFromControl(const QString& s);

}  // namespace ql
