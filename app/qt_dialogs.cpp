#include "app/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace ql {

QString ToQString(const Text& gbk) { return QString::fromStdString(GbkToUtf8Bytes(gbk.str())); }

Text FromQString(const QString& s) { return Text(Utf8ToGbkBytes(s.toStdString())); }

DialogButton QtDialogs::ShowMessage(const Text& text, const Text& title, MessageIcon icon,
                                    MessageButtons buttons) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case MessageIcon::None: qicon = QMessageBox::NoIcon; break;
    case MessageIcon::Information: qicon = QMessageBox::Information; break;
    case MessageIcon::Warning: qicon = QMessageBox::Warning; break;
    case MessageIcon::Error: qicon = QMessageBox::Critical; break;
    case MessageIcon::Question: qicon = QMessageBox::Question; break;
    }
    QMessageBox::StandardButtons qbuttons = QMessageBox::Ok;
    switch (buttons) {
    case MessageButtons::Ok: qbuttons = QMessageBox::Ok; break;
    case MessageButtons::OkCancel: qbuttons = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MessageButtons::YesNo: qbuttons = QMessageBox::Yes | QMessageBox::No; break;
    case MessageButtons::YesNoCancel: qbuttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case MessageButtons::RetryCancel: qbuttons = QMessageBox::Retry | QMessageBox::Cancel; break;
    }
    QMessageBox box(qicon, ToQString(title), ToQString(text), qbuttons, parent_.data());
    int r = box.exec();
    switch (r) {
    case QMessageBox::Ok: return DialogButton::Ok;
    case QMessageBox::Cancel: return DialogButton::Cancel;
    case QMessageBox::Yes: return DialogButton::Yes;
    case QMessageBox::No: return DialogButton::No;
    case QMessageBox::Retry: return DialogButton::Retry;
    default: return DialogButton::Closed;
    }
}

std::optional<std::string> QtDialogs::OpenFile(const Text& filter, const std::string& initialPath) {
    QString chosen = QFileDialog::getOpenFileName(parent_.data(), QString::fromUtf8("打开"),
                                                  QString::fromStdString(initialPath),
                                                  QString::fromStdString(QtFileFilter(filter)));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

void InstallQtDialogs(QWidget* parent) {
    static QtDialogs dialogs;
    dialogs.SetParent(parent);
    if (InstalledDialogs() == nullptr) SetDialogs(&dialogs);
}

}  // namespace ql
