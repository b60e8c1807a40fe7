// What CaptureWindow shows, drawn into WindowCanvas's back buffer (nothing here presents): the dimmed
// base, the bright selection with its frame, handles and size label, the toolbar and the magnifier.
// Everything works on Overlay()'s objects; the window thread only.
#pragma once

#include <cstdint>

#include <QImage>
#include <QRegion>
#include <QString>

#include "capture/overlay_ports.h"
#include "capture/overlay_state.h"

namespace ql {

// Frame and handle colour 0,174,255 as 0x00BBGGRR.
inline constexpr uint32_t kFrameColour = 0x00FFAE00u;

// BrightLayer blended over the whole canvas at 255, then DimLayer at 128. The result is kept after the
// first time; afterwards only the places drawn over since the last base are copied back from it, which
// gives the same pixels as the two whole-screen blends.
void DrawDimmedBase();

// The selected region bright from BrightLayer, its 1-pixel frame, the eight 5x5 handles and the size
// label (above the selection when top >= 23, else inside it 1 pixel below the top).
void DrawSelectionFrame(int32_t left, int32_t top, int32_t right, int32_t bottom,
                        uint32_t frameColour = kFrameColour, uint32_t handleColour = kFrameColour);

// The toolbar placed by SelectionRect (below, above, or inside at the top; never left of x 5); writes
// ToolbarRect. The highlight box (relative to the toolbar) is drawn only when no field is 0.
void DrawToolbar(const Rect& box, int32_t screenHeight);

// The magnifier box near the pointer: 30x21 snapshot pixels zoomed into 118x84, crosshair, the size
// line and the colour line "RGB:(r,g,b)" of the zoomed pixel under the crosshair's centre.
void DrawMagnifier(Point pointer, int32_t screenWidth, int32_t screenHeight);

// What the last DrawMagnifier wrote on its colour line, and where it put its box.
QString LastMagnifierColourText();
Point LastMagnifierPlace();

// The decoded CaptureSnapshot the magnifier zooms from: decoded once per snapshot, not at every call.
const QImage& DecodedSnapshot();

// The parts of the canvas changed since the last call (what a present has to show), and a note of a
// change made to the canvas by other code (the opening's and the confirmation's whole-canvas blends).
QRegion TakeChangedRegion();
void NoteCanvasChanged(const QRect& area);

// Drops the kept dimmed base and decoded snapshot; OpenOverlay and the closing of the window call it
// (and so must anything else that changes CaptureSnapshot or the two layers).
void ForgetRenderCaches();

// The program's own pictures: ToolbarPicture (325x24) and OverlayCursor's image with its hot spot.
const QImage& ToolbarPicture();
struct CursorImage {
    QImage image;
    int hotX = 0;
    int hotY = 0;
};
const CursorImage& OverlayCursorImage();

// The size text "W × H" of SelectionRect, as both drawing routines write it.
QString SelectionSizeText();

}  // namespace ql
