// The history log ImgCode.log in the run directory: one line per chosen picture, newest first, GBK.
#pragma once

#include <functional>
#include <string>

#include "web/text.h"

namespace ql {

inline constexpr char kHistoryLogName[] = "ImgCode.log";

std::string HistoryLogPath();

// The picture's file name as logged: the bytes after the last "/" of the path; the whole path when it
// holds none.
Text FileNameOfPath(const Text& path);  // run directory + "/ImgCode.log"

// LogSnapshot := the log's content (empty when missing or unreadable); LogEntry := CurrentFileName +
// "-->" + UploadId + CR LF; the log becomes RunStamp + "|" + LogEntry + LogSnapshot. The new content is
// written beside the log and renamed over it, so a failed write leaves the old log whole. Failures are
// not reported.
void RecordHistory();

// Writes content to path through a temporary file in the same folder and a rename; false on any
// failure, in which case path is unchanged and the temporary file is gone.
bool ReplaceFileContent(const std::string& path, const std::string& content);

// Tests: replaces the writer RecordHistory uses (nullptr restores ReplaceFileContent).
using HistoryWriter = std::function<bool(const std::string& path, const std::string& content)>;
void SetHistoryWriter(HistoryWriter writer);

}  // namespace ql
