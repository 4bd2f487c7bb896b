#pragma once
// Where every control of the main window sits, in twips, with its kind, caption,
// tool tip, place in the tab order and click handler. Controls below the client
// area's bottom edge are out of view by design: they show the window's working state.
#include <span>

#include <vector>

#include "model/button_fields.h"
#include "mainwindow/main_window.h"
#include "platform/form.h"
#include "platform/twips.h"

namespace barsmith {

inline constexpr int kClientWidth = 10815;  // twips
inline constexpr int kClientHeight = 6135;  // twips
inline constexpr int kRightColumnWidth = 3375;  // the Entry and toolbar frames beside the fields
inline constexpr int kCommandRowTop = 5660;

// In creation order: every frame comes before the controls it holds.
std::span<const ControlSpec> MainWindowLayout();

// The text boxes of the layout that edit a field of an entry, in its order.
struct FieldBox {
    ControlId box;
    FieldId field;
};
std::vector<FieldBox> FieldBoxes();
// The text box that edits the field.
ControlId BoxOf(FieldId field);

}  // namespace barsmith
