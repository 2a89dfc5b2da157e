// The two dialog templates as data: every control with its identifier, kind, caption and
// place in dialog units, in template order, which is also the tab order.
#pragma once

#include <vector>

namespace res {

enum class ControlKind {
    DefPushButton,
    PushButton,
    OwnerDrawButton,  // a bitmap step button: the caption names its images
    AutoCheckBox,
    Trackbar,         // auto ticks, ticks on both sides
    GroupBox,
    Static,           // left-aligned text
    StaticCentreV,    // left-aligned text, vertically centred
    BitmapStatic,     // an empty place holder for a picture the dialog paints itself
    IconStatic,
    Edit,             // auto horizontal scroll, sunken edge
};

struct ControlTemplate {
    int id;
    const char* name;
    ControlKind kind;
    const char* caption;
    int x, y, cx, cy;
    bool tabStop;
};

struct DialogTemplate {
    const char* caption;
    const char* fontFace;
    int pointSize;
    int cx, cy;
    std::vector<ControlTemplate> controls;
};

const DialogTemplate& MainDialogTemplate();   // IDD_MAIN
const DialogTemplate& AboutDialogTemplate();  // IDD_ABOUTBOX

}  // namespace res
