// What the pipelines' workers may do with MainWindow's controls. MainWindow implements it by queueing
// each call to the window thread in order (reads wait for the window thread's answer); tests record.
#pragma once

#include "web/text.h"

namespace ql {

class MainControls {
public:
    virtual ~MainControls() = default;
    virtual Text ImagePath() = 0;                     // ImagePathEdit's text
    virtual Text ResultText() = 0;                    // ResultEdit's text
    virtual void SetResultText(const Text& text) = 0;
    virtual void AppendResultText(const Text& text) = 0;
    virtual void SetBusyLabelText(const Text& text) = 0;
    virtual void SetBusyPictureVisible(bool visible) = 0;
    virtual void SetBusyLabelVisible(bool visible) = 0;
};

// The controls the pipelines write to; set by MainWindow (or a test) before any pipeline starts.
void SetMainControls(MainControls* controls);
MainControls* Controls();

}  // namespace ql
