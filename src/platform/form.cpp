#include "platform/form.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <iterator>

namespace barsmith {
namespace {

constexpr int kSmallestFontHeight = 8;  // pixels: captions are not shrunk below this
constexpr int kLabelGapTwips = 60;      // between a label's caption and the next control on its line

bool IsButtonControl(HWND control) {
    wchar_t cls[16]{};  // room for any class name it is compared with: a longer one differs
    GetClassNameW(control, cls, 16);
    return lstrcmpiW(cls, WC_BUTTONW) == 0;
}

bool IsButtonOfType(HWND control, LONG type) {
    return IsButtonControl(control) && (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == type;
}

bool IsPushButton(HWND control) {
    return IsButtonOfType(control, BS_PUSHBUTTON) || IsButtonOfType(control, BS_DEFPUSHBUTTON);
}

LONG StaticType(HWND control) {
    wchar_t cls[16]{};
    GetClassNameW(control, cls, 16);
    return lstrcmpiW(cls, WC_STATICW) == 0 ? GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK : -1;
}

// A static control that shows its caption (not a picture).
bool IsTextLabel(HWND control) {
    switch (StaticType(control)) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
        return true;
    default:
        return false;
    }
}

bool WrapsCaption(HWND label) {
    const LONG type = StaticType(label);
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
}

// The room `caption` takes in `font`, "&" markers shown as a control shows
// them (unless `noPrefix`): as one line, or wrapped at `wrapWidth` pixels.
SIZE TextSize(const std::wstring& caption, HFONT font, int wrapWidth = 0, bool noPrefix = false) {
    const UniqueMemoryDC dc(CreateCompatibleDC(nullptr));  // measures as the screen does
    const SelectObjectGuard select(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    UINT format = DT_CALCRECT | DT_EXPANDTABS | (wrapWidth > 0 ? DT_WORDBREAK : 0) | (noPrefix ? DT_NOPREFIX : 0);
    RECT r{0, 0, wrapWidth, 0};
    DrawTextW(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &r, format);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

// The room the control's caption takes in `font`, as the control shows it.
SIZE CaptionSize(HWND control, HFONT font, int wrapWidth = 0) {
    const std::wstring caption = WindowText(control);
    const bool noPrefix = StaticType(control) >= 0 && (GetWindowLongW(control, GWL_STYLE) & SS_NOPREFIX);
    return TextSize(caption, font, wrapWidth, noPrefix);
}

// Empty when everything fits in `font`; otherwise the largest smaller font of
// the same face that does, or the smallest one tried. The last font `fits` is
// asked about is always the one to show.
UniqueFont SmallerFontToFit(HFONT font, const std::function<bool(HFONT)>& fits) {
    LOGFONTW details{};
    if (fits(font) || !font || !GetObjectW(font, sizeof details, &details)) return {};
    UniqueFont smaller;
    while (std::abs(details.lfHeight) > kSmallestFontHeight) {
        details.lfHeight += details.lfHeight < 0 ? 1 : -1;
        UniqueFont next(CreateFontIndirectW(&details));
        if (!next) break;
        smaller = std::move(next);
        if (fits(smaller.get())) break;
    }
    return smaller;
}

void SetFont(HWND control, HFONT font, bool redraw) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
}

// Gives the control the font and redraws it, unless it has that font already.
void SetFontIfOther(HWND control, HFONT font) {
    if (reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)) != font) SetFont(control, font, true);
}

void MoveTo(HWND control, const RECT& at) {
    SetWindowPos(control, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// Messages that controls send to their parent travel on from a frame to the form.
bool IsNotification(UINT msg) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CONTEXTMENU:
        return true;
    default:
        return false;
    }
}

// What the platform's group box lacks when it holds its controls: it hands
// their notifications on to the form, and paints the room between them.
LRESULT CALLBACK FrameProc(HWND frame, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(frame, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(frame, FrameProc, id);
        break;
    default:
        if (IsNotification(msg)) return SendMessageW(GetParent(frame), msg, wParam, lParam);
        break;
    }
    return DefSubclassProc(frame, msg, wParam, lParam);
}

// What the platform's dialog manager lacks: it takes an access key from a
// label's "&" even when the label shows it as text, so such a label says it is no label.
LRESULT CALLBACK PlainTextProc(HWND label, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (msg == WM_GETDLGCODE) return 0;
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(label, PlainTextProc, id);
    return DefSubclassProc(label, msg, wParam, lParam);
}

UniqueFont CreateMessageFont(const Dpi& dpi) {
    LOGFONTW font{};
    if (!MessageFontFor(dpi, font)) return {};
    return UniqueFont(CreateFontIndirectW(&font));
}

}  // namespace

// --- FormRegistry ---------------------------------------------------------

FormRegistry::FormRegistry() : onLastFormGone([] { PostQuitMessage(0); }) {}

void FormRegistry::Add(Form* form) {
    if (!IsLoaded(form)) forms_.push_back(form);
}

void FormRegistry::Remove(Form* form) {
    const auto it = std::find(forms_.begin(), forms_.end(), form);
    if (it == forms_.end()) return;
    forms_.erase(it);
    if (forms_.empty() && onLastFormGone) onLastFormGone();
}

void FormRegistry::UnloadAll() {
    // Unloading changes the list: work on a copy.
    const std::vector<Form*> loaded = forms_;
    for (Form* form : loaded) {
        if (IsLoaded(form)) form->Unload();
    }
}

bool FormRegistry::IsLoaded(const Form* form) const {
    return std::find(forms_.begin(), forms_.end(), form) != forms_.end();
}

bool FormRegistry::PreTranslate(MSG& msg) {
    for (Form* form : forms_) {
        const HWND top = form->Hwnd();
        if (top && (msg.hwnd == top || IsChild(top, msg.hwnd))) return form->PreTranslateMessage(msg);
    }
    return false;
}

int RunMessageLoop(FormRegistry& forms) {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (forms.PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

WORD CurrentShiftState() {
    WORD shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= 1;
    if (GetKeyState(VK_CONTROL) < 0) shift |= 2;
    if (GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

// --- Form -------------------------------------------------------------------

Form::Form(FormRegistry& forms) : forms_(forms) {}

Form::~Form() {
    // Destroy while Form's own handlers still run, so the registry hears of it.
    DestroyNow();
}

void Form::Unload() { DestroyNow(); }

Window::ClassInfo Form::ClassWithIcon(const wchar_t* name, int iconId) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    ClassInfo cls{name};
    cls.icon = LoadIconW(instance, MAKEINTRESOURCEW(iconId));
    cls.smallIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                  LR_SHARED));
    return cls;
}

RECT Form::CentredFrame(const FormStyle& style, const Dpi& dpi) {
    RECT frame{0, 0, TwipsToPixels(style.clientWidthTwips, dpi.x), TwipsToPixels(style.clientHeightTwips, dpi.y)};
    AdjustWindowRectEx(&frame, style.style, FALSE, style.exStyle);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = work.left + (work.right - work.left - width) / 2;
    const int y = work.top + (work.bottom - work.top - height) / 2;
    return RECT{x, y, x + width, y + height};
}

bool Form::CreateForm(const ClassInfo& cls, const std::wstring& caption, const FormStyle& style) {
    dpi_ = ScreenDpi();
    clientHeightTwips_ = style.clientHeightTwips;
    font_ = CreateMessageFont(dpi_);
    RECT frame = CentredFrame(style, dpi_);
    if (!CreateBound(cls, style.exStyle, style.style & ~WS_VISIBLE, caption, frame.left, frame.top,
                     frame.right - frame.left, frame.bottom - frame.top, style.owner))
        return false;
    // The screen the window came up on may have another DPI than the main one.
    if (const Dpi actual = WindowDpi(Hwnd()); actual != dpi_) {
        dpi_ = actual;
        font_ = CreateMessageFont(dpi_);
        frame = CentredFrame(style, dpi_);
        MoveTo(Hwnd(), frame);
    }
    forms_.Add(this);
    return true;
}

namespace {

const wchar_t* ClassOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::TextBox: return WC_EDITW;
    case ControlKind::Frame:
    case ControlKind::Button:
    case ControlKind::Option:
    case ControlKind::CheckBox: return WC_BUTTONW;
    case ControlKind::ListBox: return WC_LISTBOXW;
    case ControlKind::ListView: return WC_LISTVIEWW;
    default: return WC_STATICW;
    }
}

DWORD StyleOf(ControlKind kind) {
    switch (kind) {
    // Only buttons carry access keys: a label may show text the user typed.
    case ControlKind::Label: return SS_LEFTNOWORDWRAP | SS_NOTIFY | SS_NOPREFIX;
    case ControlKind::WrappingLabel: return SS_LEFT | SS_NOPREFIX;
    case ControlKind::TextBox: return WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
    case ControlKind::Button: return WS_TABSTOP | BS_PUSHBUTTON;
    case ControlKind::ListBox: return WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    case ControlKind::Icon: return SS_ICON | SS_CENTERIMAGE | SS_NOTIFY;
    case ControlKind::Bitmap: return SS_BITMAP | SS_NOTIFY;
    case ControlKind::Option: return WS_TABSTOP | BS_AUTORADIOBUTTON;
    case ControlKind::CheckBox: return WS_TABSTOP | BS_AUTOCHECKBOX;
    case ControlKind::Frame: return BS_GROUPBOX | WS_CLIPSIBLINGS;
    // Virtual: the form keeps the rows and hands the list what it shows.
    case ControlKind::ListView: return WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA | LVS_SHAREIMAGELISTS;
    default: return 0;
    }
}

}  // namespace

void Form::CreateControls(std::span<const ControlSpec> table) {
    table_ = table;
    for (const ControlSpec* spec : InTabOrder()) {
        if (!MadeOnFirstUse(*spec)) MakeControl(*spec);
    }
}

int Form::TabKey(const ControlSpec& spec) const {
    int key = spec.kind == ControlKind::Frame ? INT_MAX : spec.tabIndex;
    for (const ControlSpec& inside : table_) {
        if (spec.kind == ControlKind::Frame && inside.container == spec.id && inside.tabIndex != kNoTabStop)
            key = std::min(key, TabKey(inside));
    }
    return key == INT_MAX ? spec.tabIndex : key;
}

std::vector<const ControlSpec*> Form::InTabOrder(int container) const {
    std::vector<const ControlSpec*> rows;
    for (const ControlSpec& spec : table_) {
        if (spec.container == container) rows.push_back(&spec);
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [this](const ControlSpec* a, const ControlSpec* b) { return TabKey(*a) < TabKey(*b); });
    std::vector<const ControlSpec*> ordered;
    for (const ControlSpec* row : rows) {
        ordered.push_back(row);
        if (row->kind != ControlKind::Frame) continue;
        const std::vector<const ControlSpec*> inside = InTabOrder(row->id);
        ordered.insert(ordered.end(), inside.begin(), inside.end());
    }
    return ordered;
}

DWORD Form::DialogStyleOf(const ControlSpec& spec) const {
    DWORD style = StyleOf(spec.kind);
    // A control out of view takes no part in Tab: the focus would go where the user cannot see it.
    if (IsOutOfView(spec)) style &= ~WS_TABSTOP;
    // Arrow keys move within a group: option buttons next to each other make one, every other control its own.
    const std::vector<const ControlSpec*> order = InTabOrder();
    const auto at = std::find(order.begin(), order.end(), &spec);
    const auto previous = std::find_if(std::make_reverse_iterator(at), order.rend(),
                                       [&spec](const ControlSpec* row) { return row->container == spec.container; });
    const bool followsOption = previous != order.rend() && (*previous)->kind == ControlKind::Option;
    if (spec.kind != ControlKind::Option || !followsOption) style |= WS_GROUP;
    return style;
}

void Form::MakeControl(const ControlSpec& spec) {
    const HWND parent = spec.container == kOnForm ? Hwnd() : ExistingControl(spec.container);
    HWND control = nullptr;
    if (spec.kind == ControlKind::Custom) {
        control = CreateCustomControl(spec, parent);
        if (control) Track(control, parent, spec.at);
    } else {
        if (spec.kind == ControlKind::ListView) {
            const INITCOMMONCONTROLSEX lists{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
            InitCommonControlsEx(&lists);
        }
        DWORD exStyle = spec.kind == ControlKind::Bitmap ? WS_EX_CLIENTEDGE : 0;
        // The platform's Tab reaches into a frame that says it holds controls; not into one out
        // of view, whose option buttons make themselves tab stops when they are checked.
        if (spec.kind == ControlKind::Frame && !IsOutOfView(spec)) exStyle = WS_EX_CONTROLPARENT;
        control = AddControl(parent, ClassOf(spec.kind), spec.caption, DialogStyleOf(spec), spec.at, spec.id, exStyle);
        if (control && spec.kind == ControlKind::Frame) SetWindowSubclass(control, FrameProc, 0, 0);
        if (control && IsTextLabel(control) && (GetWindowLongW(control, GWL_STYLE) & SS_NOPREFIX))
            SetWindowSubclass(control, PlainTextProc, 0, 0);
    }
    if (control && spec.hiddenAtStart) ShowWindow(control, SW_HIDE);
    controls_.emplace_back(spec.id, control);
    if (spec.toolTip) AddToolTip(control, spec.toolTip);
}

void Form::MakeGroup(const ControlSpec& group) {
    std::vector<HWND> made;
    for (const ControlSpec* spec : InTabOrder()) {
        const bool tried = std::any_of(controls_.begin(), controls_.end(),
                                       [spec](const auto& control) { return control.first == spec->id; });
        if (tried || &GroupOf(*spec) != &group) continue;
        MakeControl(*spec);
        made.push_back(ExistingControl(spec->id));
    }
    StackInTabOrder(group);
    // Fitted as the first paint's controls were, without moving those: the
    // buttons' font was fitted to the captions of these buttons too.
    for (const HWND control : made) {
        if (buttonFont_ && IsPushButton(control)) SetFont(control, buttonFont_.get(), false);
        FitLabel(control);
    }
    OnGroupMade(group);
}

void Form::StackInTabOrder(const ControlSpec& group) {
    const HWND made = ExistingControl(group.id);
    if (!made) return;
    // The platform's tab order is the order of the windows: a window made
    // later goes after the one before it in the table's order, not last.
    HWND after = HWND_TOP;
    for (const ControlSpec* spec : InTabOrder(kOnForm)) {
        if (spec == &group) break;
        if (const HWND earlier = ExistingControl(spec->id); earlier && spec->container == kOnForm) after = earlier;
    }
    SetWindowPos(made, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

const ControlSpec& Form::GroupOf(const ControlSpec& spec) const {
    const ControlSpec* group = &spec;
    while (const ControlSpec* container = SpecOf(group->container)) group = container;
    return *group;
}

bool Form::MadeOnFirstUse(const ControlSpec& spec) const {
    const ControlSpec& group = GroupOf(spec);
    return group.hiddenAtStart || IsOutOfView(group);
}

const ControlSpec* Form::SpecOf(int id) const {
    const auto found = std::find_if(table_.begin(), table_.end(), [id](const ControlSpec& s) { return s.id == id; });
    return found == table_.end() ? nullptr : &*found;
}

HWND Form::ExistingControl(int id) const {
    const auto found =
        std::find_if(controls_.begin(), controls_.end(), [id](const auto& control) { return control.first == id; });
    return found == controls_.end() ? nullptr : found->second;
}

HWND Form::ControlById(int id) {
    if (const HWND made = ExistingControl(id)) return made;
    const ControlSpec* spec = SpecOf(id);
    if (!spec || !Hwnd() || !MadeOnFirstUse(*spec)) return nullptr;
    MakeGroup(GroupOf(*spec));
    return ExistingControl(id);
}

bool Form::IsOutOfView(const ControlSpec& spec) const {
    int top = spec.at.top;
    for (const ControlSpec* container = SpecOf(spec.container); container; container = SpecOf(container->container))
        top += container->at.top;
    return top >= clientHeightTwips_;
}

HWND Form::AddControl(HWND parent, const wchar_t* className, const std::wstring& text, DWORD style,
                      const TwipsRect& at, int id, DWORD exStyle) {
    const RECT px = ToPixels(at, dpi_);
    const HWND control =
        CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, px.left, px.top,
                        px.right - px.left, px.bottom - px.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (!control) return nullptr;
    if (font_) SetFont(control, font_.get(), false);
    Track(control, parent, at);
    return control;
}

void Form::Track(HWND control, HWND parent, const TwipsRect& at) {
    // Where the control starts across the form, whichever frame holds it.
    int formLeft = at.left;
    for (const PlacedControl& container : placed_) {
        if (container.control == parent) formLeft += container.formLeft;
    }
    placed_.push_back(PlacedControl{control, parent, at, formLeft, IsTextLabel(control), ToPixels(at, dpi_), {}, nullptr});
}

void Form::ApplyDpi(const Dpi& dpi, const RECT& suggested) {
    dpi_ = dpi;
    UniqueFont previous;  // the controls hold it until they have the new one
    if (UniqueFont fresh = CreateMessageFont(dpi_)) previous = std::exchange(font_, std::move(fresh));
    MoveTo(Hwnd(), suggested);
    for (PlacedControl& placed : placed_) {
        Place(placed, ToPixels(placed.at, dpi_));
        SetFont(placed.control, font_.get(), false);
        placed.fitted.reset();
    }
    OnDpiChanged();
    FitCaptions();
    RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Form::FitCaptions() {
    FitButtons();
    for (PlacedControl& placed : placed_) {
        if (placed.textLabel) placed.own = OwnFont(placed);
    }
    for (PlacedControl& placed : placed_) {
        // Each column once, from its first label.
        const std::vector<PlacedControl*> column = ColumnOf(placed);
        if (!column.empty() && column.front() == &placed) FitColumn(column);
    }
}

void Form::FitLabel(HWND label) {
    const auto placed = std::find_if(placed_.begin(), placed_.end(), [label](const PlacedControl& p) {
        return p.control == label;
    });
    if (placed == placed_.end() || !placed->textLabel) return;
    for (PlacedControl* other : ColumnOf(*placed)) other->own = OwnFont(*other);
    FitColumn(ColumnOf(*placed));
}

HFONT Form::OwnFont(const PlacedControl& label) {
    const HFONT current = reinterpret_cast<HFONT>(SendMessageW(label.control, WM_GETFONT, 0, 0));
    return label.fitted && current == label.fitted.get() ? label.own : current;
}

std::vector<Form::PlacedControl*> Form::ColumnOf(const PlacedControl& label) {
    std::vector<PlacedControl*> column;
    if (!label.textLabel) return column;
    for (PlacedControl& other : placed_) {
        if (other.textLabel && other.formLeft == label.formLeft && other.own == label.own &&
            WrapsCaption(other.control) == WrapsCaption(label.control))
            column.push_back(&other);
    }
    return column;
}

bool Form::ShowsCaption(const PlacedControl& label) const {
    RECT container{};
    GetClientRect(label.container, &container);
    // An empty label keeps its box for the text it will get; one out of view
    // (below its container's client area) holds working state that nobody sees.
    return GetWindowTextLengthW(label.control) > 0 && ToPixels(label.at, dpi_).top < container.bottom;
}

void Form::FitColumn(const std::vector<PlacedControl*>& column) {
    std::vector<PlacedControl*> shown;
    for (PlacedControl* label : column) {
        if (ShowsCaption(*label)) {
            shown.push_back(label);
            continue;
        }
        SetFontIfOther(label->control, label->own);
        label->fitted.reset();
        Place(*label, ToPixels(label->at, dpi_));
    }
    if (shown.empty()) return;
    const bool wraps = WrapsCaption(shown.front()->control);
    std::vector<SIZE> captions(shown.size());
    const auto fits = [&](HFONT font) {
        bool all = true;
        for (size_t i = 0; i < shown.size(); ++i) {
            const RECT box = ToPixels(shown[i]->at, dpi_);
            captions[i] = CaptionSize(shown[i]->control, font, wraps ? box.right - box.left : 0);
            const int room = wraps ? box.right - box.left : RightLimit(*shown[i]) - box.left;
            all = all && captions[i].cx <= room && (!wraps || captions[i].cy <= box.bottom - box.top);
        }
        return all;
    };
    // The labels of a column share one smaller font, so that none looks apart.
    UniqueFont smaller = SmallerFontToFit(shown.front()->own, fits);
    const SharedFont fitted = smaller ? SharedFont(smaller.release(), DeleteObject) : SharedFont();
    for (size_t i = 0; i < shown.size(); ++i) {
        PlacedControl& label = *shown[i];
        SetFontIfOther(label.control, fitted ? fitted.get() : label.own);
        label.fitted = fitted;  // a smaller font used before goes with its last label
        // A wrapping label keeps its box; a single-line one takes its caption's
        // size, as measured last in the font it shows.
        const RECT box = ToPixels(label.at, dpi_);
        Place(label, wraps ? box
                           : RECT{box.left, box.top, box.left + captions[i].cx,
                                  box.top + std::max<int>(box.bottom - box.top, captions[i].cy)});
    }
}

void Form::Place(PlacedControl& placed, const RECT& at) {
    if (EqualRect(&placed.shown, &at)) return;
    MoveTo(placed.control, at);
    placed.shown = at;
}

int Form::RightLimit(const PlacedControl& label) const {
    RECT client{};
    GetClientRect(label.container, &client);
    const RECT box = ToPixels(label.at, dpi_);
    // As far from the container's right edge as the label starts from its left, at least.
    int limit = std::max<int>(box.right, client.right - box.left);
    for (const PlacedControl& other : placed_) {
        if (&other == &label || other.container != label.container) continue;
        const RECT at = ToPixels(other.at, dpi_);
        if (at.top < box.bottom && at.bottom > box.top && at.left > box.left)
            limit = std::min<int>(limit, at.left - TwipsToPixels(kLabelGapTwips, dpi_.x));
    }
    return limit;
}

void Form::FitButtons() {
    // The push buttons as they are, and those still to be made as the table
    // has them: a button made later then needs no other font than the rest.
    struct Caption {
        std::wstring text;
        SIZE room;
    };
    std::vector<HWND> buttons;
    std::vector<Caption> captions;
    for (const PlacedControl& placed : placed_) {
        if (!IsPushButton(placed.control)) continue;
        buttons.push_back(placed.control);
        RECT client{};
        GetClientRect(placed.control, &client);
        captions.push_back({WindowText(placed.control), {client.right, client.bottom}});
    }
    for (const ControlSpec& spec : table_) {
        if (spec.kind != ControlKind::Button || ExistingControl(spec.id)) continue;
        const RECT box = ToPixels(spec.at, dpi_);
        captions.push_back({spec.caption, {box.right - box.left, box.bottom - box.top}});
    }
    UniqueFont fitted = SmallerFontToFit(font_.get(), [&captions](HFONT font) {
        return std::all_of(captions.begin(), captions.end(), [font](const Caption& caption) {
            const SIZE size = TextSize(caption.text, font);
            // Inside the button's border.
            return size.cx <= caption.room.cx - 2 * GetSystemMetrics(SM_CXBORDER) && size.cy <= caption.room.cy;
        });
    });
    if (!fitted && !buttonFont_) return;
    for (const HWND button : buttons) SetFont(button, fitted ? fitted.get() : font_.get(), true);
    buttonFont_ = std::move(fitted);
}

void Form::AddToolTip(HWND control, const std::wstring& text) {
    if (!control) return;
    // The tips are made when the mouse first comes over the window: the first
    // paint does not show them.
    if (!toolTip_) {
        pendingTips_.emplace_back(control, text);
        return;
    }
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = Hwnd();
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = const_cast<wchar_t*>(text.c_str());  // the tool tip copies the text
    SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void Form::CreateToolTips() {
    const INITCOMMONCONTROLSEX tips{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    InitCommonControlsEx(&tips);
    toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!toolTip_) return;
    for (const auto& [control, text] : std::exchange(pendingTips_, {})) AddToolTip(control, text);
}

void Form::FocusFirstControl() {
    if (const HWND first = GetNextDlgTabItem(Hwnd(), nullptr, FALSE)) SetFocus(first);
    ShowFocusedButtonAsDefault();
}

// Outside a dialog the dialog manager marks a push button as the default only
// when Tab reaches it, and leaves the mark behind; Enter presses the marked one.
void Form::ShowFocusedButtonAsDefault() {
    const HWND focus = GetFocus();
    const HWND wanted = focus && IsChild(Hwnd(), focus) && IsPushButton(focus) ? focus : nullptr;
    if (wanted == defaultButton_) return;
    if (defaultButton_ && IsWindow(defaultButton_)) SendMessageW(defaultButton_, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (wanted) SendMessageW(wanted, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    defaultButton_ = wanted;
}

bool Form::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        OnKeyDown(static_cast<WORD>(msg.wParam), CurrentShiftState());
        if (!IsLoaded()) return true;  // the handler closed the form
    }
    // The menu key (on its release) and Shift+F10 ask the focused control for
    // its shortcut menu. Handled here, not left to each control's default
    // handling, so that every control and every platform asks exactly once.
    const bool menuKey = msg.message == WM_KEYUP && msg.wParam == VK_APPS;
    const bool shiftF10 = msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0;
    if (menuKey || shiftF10) {
        SendMessageW(msg.hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(msg.hwnd), MAKELPARAM(-1, -1));
        return true;
    }
    // Tab, arrows within a group, access keys, Enter and Esc are the dialog manager's.
    const bool input = (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
                       (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST);
    if (input) ShowFocusedButtonAsDefault();  // the focus may have moved since, by the program's own doing
    const bool handled = IsDialogMessageW(Hwnd(), &msg) != FALSE;
    if (input && IsLoaded()) ShowFocusedButtonAsDefault();
    return handled;
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND: {
        // BN_CLICKED and STN_CLICKED are both 0; so is a menu command's code.
        const ControlSpec* spec = lParam && HIWORD(wParam) == BN_CLICKED ? SpecOf(LOWORD(wParam)) : nullptr;
        if (spec && spec->onClick) {
            spec->onClick(*this);
        } else {
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        }
        return 0;
    }
    case WM_ACTIVATE:
        // The platform keeps the focus where the user left it for dialogs only.
        if (LOWORD(wParam) == WA_INACTIVE) {
            lastFocus_ = GetFocus();
        } else if (lastFocus_ && IsChild(Hwnd(), lastFocus_)) {
            SetFocus(lastFocus_);
            ShowFocusedButtonAsDefault();
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC: {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, LabelTextColor(reinterpret_cast<HWND>(lParam)));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_CONTEXTMENU:
        OnContextMenu(reinterpret_cast<HWND>(wParam),
                      POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        return 0;
    case WM_SETCURSOR:
        // Controls, and the frames they sit in, hand this on to their parent first.
        if (!toolTip_ && !pendingTips_.empty()) CreateToolTips();
        break;
    case WM_DPICHANGED:
        // The system suggests the window's new place and size on the other screen.
        ApplyDpi(Dpi{LOWORD(wParam), HIWORD(wParam)}, *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_CLOSE:
        Unload();
        return 0;
    default:
        break;
    }
    return Window::HandleMessage(msg, wParam, lParam);
}

void Form::OnDestroyed() {
    toolTip_ = nullptr;  // destroyed with its owner
    // The controls went with the window; a form loaded again places new ones.
    pendingTips_.clear();
    placed_.clear();
    controls_.clear();
    buttonFont_.reset();
    defaultButton_ = nullptr;
    forms_.Remove(this);
}

}  // namespace barsmith
