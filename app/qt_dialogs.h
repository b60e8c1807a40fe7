// The real message boxes and open-file dialog: QMessageBox and QFileDialog.
#pragma once

#include <QPointer>
#include <QWidget>

#include "app/dialogs.h"

namespace ql {

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    DialogButton ShowMessage(const Text& text, const Text& title, MessageIcon icon,
                             MessageButtons buttons = MessageButtons::Ok) override;
    std::optional<std::string> OpenFile(const Text& filter, const std::string& initialPath) override;

private:
    QPointer<QWidget> parent_;
};

// A QtDialogs installed for the whole process (unless something else is installed already).
void InstallQtDialogs(QWidget* parent = nullptr);

// Unicode edge of the GBK texts.
QString ToQString(const Text& gbk);
Text FromQString(const QString& s);

}  // namespace ql
