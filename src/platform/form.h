#pragma once
// Top-level windows ("forms") built from a table of controls, whose keyboard the
// platform's dialog manager runs (Tab across nested frames, access keys, Enter);
// with what it lacks: key preview, tool tips, the system's message font,
// captions that fit whatever that font is, and a layout that follows the window
// to a screen of another DPI; plus the registry of loaded forms that ends the
// process when the last one goes.
#include <windows.h>

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/handles.h"
#include "platform/twips.h"
#include "platform/window.h"

namespace barsmith {

class Form;

// What a control of a form's table is; the kind gives its window class and style.
enum class ControlKind {
    Frame,          // a captioned group box that holds the controls placed in it, so that hiding it hides them
    Label,          // one line of text, sized to its caption
    WrappingLabel,  // text that wraps inside its box
    TextBox,
    Button,
    ListBox,
    Icon,           // an icon, centred in its box
    Bitmap,         // a bitmap, in a sunken box
    Option,
    CheckBox,
    Custom,         // made by the form itself: the table only gives its place
    ListView,       // a report-style list of many columns, its rows given by the form when shown
};

inline constexpr int kOnForm = 0;  // the container of the controls placed on the form itself
inline constexpr int kNoTabStop = -1;
inline constexpr bool kHiddenAtStart = true;
inline constexpr int kUnbound = -1;

// What a click on a control runs: a member function of the form, as Click<&Form::Handler>.
using ClickHandler = void (*)(Form&);
template <typename Method>
struct MemberFunctionClass;
template <typename C>
struct MemberFunctionClass<void (C::*)()> {
    using type = C;
};
template <auto Method>
inline constexpr ClickHandler Click = [](Form& form) {
    (static_cast<typename MemberFunctionClass<decltype(Method)>::type&>(form).*Method)();
};

// One control of a form: the table of these is the whole of a form's layout.
struct ControlSpec {
    int id;
    ControlKind kind;
    int container;  // kOnForm, or the id of the frame that holds the control
    const wchar_t* caption;
    const wchar_t* toolTip;  // nullptr: none
    TwipsRect at;            // relative to the container's client area
    int tabIndex;            // the place in the tab order (a frame's controls go together), or kNoTabStop
    ClickHandler onClick = nullptr;
    bool hiddenAtStart = false;  // a control placed on the form that the window shows later
    int binding = kUnbound;      // the piece of the form's data it edits, in the form's own numbering
};

// The forms that are loaded now. When the last one is unloaded, `onLastFormGone`
// runs; the program's default posts WM_QUIT so that the message loop ends.
class FormRegistry {
public:
    FormRegistry();
    void Add(Form* form);
    void Remove(Form* form);
    void UnloadAll();
    bool IsLoaded(const Form* form) const;
    size_t Count() const { return forms_.size(); }
    // Gives the form that owns msg.hwnd the first look at a message.
    bool PreTranslate(MSG& msg);

    std::function<void()> onLastFormGone;

private:
    std::vector<Form*> forms_;
};

// Runs the message loop until WM_QUIT; returns its exit code.
int RunMessageLoop(FormRegistry& forms);

// Shift state as handed to key handlers: 1 Shift, 2 Ctrl, 4 Alt.
WORD CurrentShiftState();

class Form : public Window {
public:
    explicit Form(FormRegistry& forms);
    ~Form() override;

    // Destroys the window; the registry forgets the form.
    void Unload();
    bool IsLoaded() const { return Hwnd() != nullptr; }
    // Key preview and the shortcut-menu keys, then the dialog manager; true
    // when the message needs no translating and dispatching.
    virtual bool PreTranslateMessage(MSG& msg);

    const Dpi& CurrentDpi() const { return dpi_; }
    HFONT Font() const { return font_.get(); }
    // Sizes a label to its caption again, after its text changed.
    void FitLabel(HWND label);
    // The control of the form's table with this id, or 0. A control that the
    // first paint does not show (out of view, or hidden at start, or placed in
    // such a frame) is made with the rest of its frame when it is first asked for.
    HWND ControlById(int id);
    // The control of the form's table with this id if it has been made, or 0.
    HWND ExistingControl(int id) const;

protected:
    struct FormStyle {
        DWORD style;
        DWORD exStyle;
        int clientWidthTwips;
        int clientHeightTwips;
        // A window with an owner has no taskbar button; the owner must outlive it.
        HWND owner = nullptr;
    };
    // A window class showing the program's icon resource `iconId`, large and small.
    static ClassInfo ClassWithIcon(const wchar_t* name, int iconId);
    // Creates the window with the given client size, centred on the screen
    // (hidden: the caller shows it after loading), and adds it to the registry.
    bool CreateForm(const ClassInfo& cls, const std::wstring& caption, const FormStyle& style);

    // Creates the table's controls that the first paint shows (Custom rows are
    // left to the form) in the order of their tab indexes, which is the order
    // the dialog manager's Tab follows. A control placed below the client area
    // is out of view and takes no part in Tab.
    void CreateControls(std::span<const ControlSpec> table);
    // The table's row of the control with this id, or nullptr.
    const ControlSpec* SpecOf(int id) const;
    // Makes the control of a Custom row at its place, in `parent`; the form
    // places it again after a DPI change.
    virtual HWND CreateCustomControl(const ControlSpec& /*spec*/, HWND /*parent*/) { return nullptr; }
    // Once the controls exist, and again after every DPI change: single-line
    // labels take the width of their caption from their place's left and top
    // (wrapping ones keep their box), and a caption too wide for the room it
    // has gets a smaller font of the same face, which the push buttons share,
    // and so do the labels lined up with it.
    void FitCaptions();
    // After a DPI change has placed every control again from its twips, in the
    // form's font for the new DPI: the window remakes its own fonts and pictures.
    virtual void OnDpiChanged() {}
    // After the controls of `group` (a row placed on the form, with whatever it
    // holds) were made on first use, fitted and in the tab order.
    virtual void OnGroupMade(const ControlSpec& /*group*/) {}
    // Focuses the first control that Tab reaches.
    void FocusFirstControl();

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

    // A notification or command that no click handler of the table took.
    virtual void OnCommand(int /*id*/, int /*code*/, HWND /*control*/) {}
    // A WM_NOTIFY of a control; what the control is answered.
    virtual LRESULT OnNotify(const NMHDR& /*note*/) { return 0; }
    // Right-click, Shift+F10 or the menu key on `control`; `at` in screen
    // coordinates, or (-1, -1) when the keyboard asked.
    virtual void OnContextMenu(HWND /*control*/, POINT /*at*/) {}
    // The text colour of a label (static control); labels sit on the button face.
    virtual COLORREF LabelTextColor(HWND /*label*/) const { return GetSysColor(COLOR_BTNTEXT); }
    // Key preview: every key pressed anywhere in the form comes here first.
    virtual void OnKeyDown(WORD /*keyCode*/, WORD /*shift*/) {}

    FormRegistry& forms_;

private:
    // A font that the labels of a column share; freed with the last of them.
    using SharedFont = std::shared_ptr<std::remove_pointer_t<HFONT>>;
    // A control at its place in twips and where it is now in pixels, with the
    // smaller font that made its caption fit (if it needed one) and the font
    // that one stands in for.
    struct PlacedControl {
        HWND control;
        HWND container;  // the form, or the frame that holds the control
        TwipsRect at;
        int formLeft;  // twips from the form's left edge, through the frames that hold it
        bool textLabel;
        RECT shown;
        SharedFont fitted;
        HFONT own = nullptr;
    };

    void CreateToolTips();
    // Enter presses the focused push button, and it shows so; none when the focus is elsewhere.
    void ShowFocusedButtonAsDefault();
    // The window's frame for its client size at `dpi`, centred on the work area.
    static RECT CentredFrame(const FormStyle& style, const Dpi& dpi);
    void ApplyDpi(const Dpi& dpi, const RECT& suggested);
    // The font the label was given, which a smaller fitted one stands in for.
    static HFONT OwnFont(const PlacedControl& label);
    // The text labels lined up with `label`, in its frame or another: the
    // same left edge, own font and wrapping; empty when it is no text label.
    std::vector<PlacedControl*> ColumnOf(const PlacedControl& label);
    bool ShowsCaption(const PlacedControl& label) const;
    void FitColumn(const std::vector<PlacedControl*>& column);
    // Moves the control unless it is there already.
    static void Place(PlacedControl& placed, const RECT& at);
    void FitButtons();
    // How far right a single-line label may reach before the next control on its line.
    int RightLimit(const PlacedControl& label) const;

    // Creates a child control at a place given in twips, in the form's font.
    HWND AddControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style,
                    const TwipsRect& at, int id, DWORD exStyle = 0);
    // The tip shows when the mouse rests on the control.
    void AddToolTip(HWND control, const std::wstring& text);
    bool IsOutOfView(const ControlSpec& spec) const;
    // The row placed on the form that holds `spec`, through its frames, or `spec` itself.
    const ControlSpec& GroupOf(const ControlSpec& spec) const;
    bool MadeOnFirstUse(const ControlSpec& spec) const;
    void MakeControl(const ControlSpec& spec);
    void MakeGroup(const ControlSpec& group);
    // The row's place among its container's rows: its tab index, or for a
    // frame the first of those it holds.
    int TabKey(const ControlSpec& spec) const;
    // The container's rows by TabKey, each frame followed by its own rows.
    std::vector<const ControlSpec*> InTabOrder(int container = kOnForm) const;
    // The row's window style, with its part in Tab and in the arrow keys' groups.
    DWORD DialogStyleOf(const ControlSpec& spec) const;
    // Moves a group made on first use to its place in the order of the form's windows.
    void StackInTabOrder(const ControlSpec& group);
    // Keeps the control's place, to lay it out again after a DPI change.
    void Track(HWND control, HWND parent, const TwipsRect& at);

    Dpi dpi_;
    int clientHeightTwips_ = 0;
    std::span<const ControlSpec> table_;
    std::vector<std::pair<int, HWND>> controls_;  // by id, as the table made them
    UniqueFont font_;
    std::vector<PlacedControl> placed_;
    UniqueFont buttonFont_;
    HWND toolTip_ = nullptr;
    std::vector<std::pair<HWND, std::wstring>> pendingTips_;  // until the tool tip window exists
    HWND lastFocus_ = nullptr;
    HWND defaultButton_ = nullptr;  // the push button shown as the default: the focused one
};

}  // namespace barsmith
