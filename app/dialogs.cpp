#include "app/dialogs.h"

#include <atomic>
#include <cstdio>

namespace ql {

namespace {

std::atomic<Dialogs*> g_dialogs{nullptr};

DialogButton FirstButton(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel: return DialogButton::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel: return DialogButton::Yes;
    case MessageButtons::RetryCancel: return DialogButton::Retry;
    }
    return DialogButton::Ok;
}

// Used before the window layer installs its dialogs (and in programs without one).
class QuietDialogs : public Dialogs {
public:
    DialogButton ShowMessage(const Text& text, const Text& title, MessageIcon, MessageButtons buttons) override {
        std::fprintf(stderr, "qinglan: %s: %s\n", GbkToUtf8Bytes(title.str()).c_str(),
                     GbkToUtf8Bytes(text.str()).c_str());
        return FirstButton(buttons);
    }
    std::optional<std::string> OpenFile(const Text&, const std::string&) override { return std::nullopt; }
};

}  // namespace

Dialogs& UiDialogs() {
    static QuietDialogs quiet;
    Dialogs* d = g_dialogs.load();
    return d ? *d : quiet;
}

void SetDialogs(Dialogs* dialogs) { g_dialogs.store(dialogs); }

Dialogs* InstalledDialogs() { return g_dialogs.load(); }

std::string QtFileFilter(const Text& filter) {
    std::vector<Text> parts = SplitByText(filter, "|");
    std::string out;
    for (size_t i = 0; i < parts.size(); i += 2) {
        if (parts[i].empty() && i + 1 >= parts.size()) break;
        std::string display = GbkToUtf8Bytes(parts[i].str());
        if (!out.empty()) out += ";;";
        if (i + 1 >= parts.size()) { out += display; break; }
        std::string patterns = GbkToUtf8Bytes(parts[i + 1].str());
        for (char& c : patterns)
            if (c == ';') c = ' ';
        out += display + " (" + patterns + ")";
    }
    return out;
}

DialogButton RecordingDialogs::ShowMessage(const Text& text, const Text& title, MessageIcon icon,
                                           MessageButtons buttons) {
    messages.push_back({text, title, icon, buttons});
    if (buttonAnswers.empty()) return FirstButton(buttons);
    DialogButton b = buttonAnswers.front();
    buttonAnswers.pop_front();
    return b;
}

std::optional<std::string> RecordingDialogs::OpenFile(const Text& filter, const std::string& initialPath) {
    fileRequests.push_back({filter, initialPath});
    if (fileAnswers.empty()) return std::nullopt;
    std::optional<std::string> a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

ScopedRecordingDialogs::ScopedRecordingDialogs() : previous_(InstalledDialogs()) { SetDialogs(this); }

ScopedRecordingDialogs::~ScopedRecordingDialogs() { SetDialogs(previous_); }

}  // namespace ql
