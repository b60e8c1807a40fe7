// Message boxes and the open-file dialog, behind one small interface: the window layer uses the Qt
// implementation (QtDialogs, app/qt_dialogs.h), tests install a RecordingDialogs that notes every
// request and answers from a queue. Called on the window thread only.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "web/text.h"

namespace ql {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
// Which button closed the box; Closed when it was closed without a button (Escape, window close).
enum class DialogButton { Ok, Cancel, Yes, No, Retry, Closed };

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A modal message box; text and title are GBK texts. Returns the chosen button.
    virtual DialogButton ShowMessage(const Text& text, const Text& title, MessageIcon icon,
                                     MessageButtons buttons = MessageButtons::Ok) = 0;

    // A modal open-file dialog. filter: display text and patterns separated by "|", several such pairs
    // joined by "|" ("图片文件（*.jpg;*.png）|*.jpg;*.png"), GBK. initialPath: the name offered at
    // opening (file system encoding, UTF-8; may be empty). Returns the chosen path (UTF-8), or nothing
    // when the user cancelled.
    virtual std::optional<std::string> OpenFile(const Text& filter, const std::string& initialPath) = 0;
};

// The dialogs the program uses. Until something is installed, a quiet stand-in answers Ok to every
// message box and "cancelled" to every file dialog (and writes the message to stderr).
Dialogs& UiDialogs();
void SetDialogs(Dialogs* dialogs);  // nullptr goes back to the quiet stand-in; the caller keeps ownership
Dialogs* InstalledDialogs();        // what SetDialogs installed, or nullptr

// The open-file filter ("display|patterns|...", GBK) in Qt's form, UTF-8: each pair becomes
// "display (p1 p2 ...)", pairs joined by ";;". A trailing display without patterns is kept as-is.
std::string QtFileFilter(const Text& filter);

// Notes every request and answers from queues; for tests and headless runs.
class RecordingDialogs : public Dialogs {
public:
    struct Message {
        Text text;
        Text title;
        MessageIcon icon;
        MessageButtons buttons;
    };
    struct FileRequest {
        Text filter;
        std::string initialPath;
    };

    DialogButton ShowMessage(const Text& text, const Text& title, MessageIcon icon,
                             MessageButtons buttons = MessageButtons::Ok) override;
    std::optional<std::string> OpenFile(const Text& filter, const std::string& initialPath) override;

    // Answers used in order; when a queue is empty a message box answers with its first button
    // (Ok, Yes or Retry) and a file dialog is cancelled.
    std::deque<DialogButton> buttonAnswers;
    std::deque<std::optional<std::string>> fileAnswers;

    std::vector<Message> messages;
    std::vector<FileRequest> fileRequests;

    void Clear() { messages.clear(); fileRequests.clear(); buttonAnswers.clear(); fileAnswers.clear(); }
};

// Installs a RecordingDialogs for the lifetime of the object and restores the previous dialogs after.
class ScopedRecordingDialogs : public RecordingDialogs {
public:
    ScopedRecordingDialogs();
    ~ScopedRecordingDialogs() override;
    ScopedRecordingDialogs(const ScopedRecordingDialogs&) = delete;
    ScopedRecordingDialogs& operator=(const ScopedRecordingDialogs&) = delete;
private:
    Dialogs* previous_;
};

}  // namespace ql
