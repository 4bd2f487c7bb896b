#pragma once
// Where every control of the main window sits, in twips, with its kind, caption,
// tool tip and place in the tab order. Controls below the client area's bottom
// edge are out of view by design: they hold working state.
#include <span>

#include "mainwindow/frmMain.h"
#include "platform/twips.h"

namespace barsmith {

enum class ControlKind { Frame, Label, TextBox, Button, ListBox, PictureBox, Option, CheckBox };

inline constexpr int kOnForm = 0;  // container of the controls placed on the window itself

struct ControlSpec {
    ControlId id;
    ControlKind kind;
    int container;  // kOnForm, or the ControlId of the frame that holds the control
    const wchar_t* caption;
    const wchar_t* toolTip;  // nullptr: none
    TwipsRect at;            // relative to the container's client area
    int tabIndex;
};

inline constexpr int kClientWidth = 7320;   // twips
inline constexpr int kClientHeight = 5115;  // twips

// In creation order: every frame comes before the controls it holds.
std::span<const ControlSpec> MainWindowLayout();
// True for a control placed below the client area, itself or through its
// frame: it holds working state, and the user can neither see nor reach it.
bool IsOutOfView(const ControlSpec& spec);

}  // namespace barsmith
