#include "Win32ComboBox.h"

#include "Win32Text.h"
#include "veltra/Error.h"
#include "veltra/Text.h"
#include "veltra/platform/Notifications.h"

#include <algorithm>
#include <commctrl.h>
#include <utility>

namespace veltra::win32 {

namespace {

constexpr int kVisibleRows = 10;
constexpr std::size_t kRowsPerFetch = 32;

// Makes the procedure the window's, with the owner in its user data; returns the window's
// own procedure.
WNDPROC takeOver(HWND window, void* owner, WNDPROC procedure) {
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

} // namespace

Win32ComboBox::Win32ComboBox(DataControl& source, HWND parent, Scale scale)
    : BoundComboBox(source), scale_(std::move(scale)) {
    combo_ = CreateWindowExW(0, L"COMBOBOX", L"",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN |
                                 CBS_AUTOHSCROLL | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                             0, 0, 209, 200, parent, reinterpret_cast<HMENU>(1),
                             GetModuleHandleW(nullptr), nullptr);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(combo_, &info);
    edit_window_ = info.hwndItem;
    list_window_ = info.hwndList;
    // Each part's window procedure becomes the box's, which finds the box in the window's
    // user data (the common controls' subclassing looks it up in a window property, which
    // costs a round trip to the server on every message under Wine).
    editOriginal_ = takeOver(edit_window_, this, procedure);
    comboOriginal_ = takeOver(combo_, this, procedure);
    listOriginal_ = takeOver(list_window_, this, procedure);
    edit_.onShow([this] { showEdit(); });
    Font(designFont());
    applyColours();
    showEdit();
}

Win32ComboBox::~Win32ComboBox() {
    for (const auto& [window, original] : parts())
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    DestroyWindow(combo_);
    if (tooltip_)
        DestroyWindow(tooltip_);
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(boxFont_), static_cast<HGDIOBJ>(rowFont_),
                           static_cast<HGDIOBJ>(boldFont_), static_cast<HGDIOBJ>(backBrush_)})
        if (object)
            DeleteObject(object);
}

void Win32ComboBox::trace(const std::string& line) const {
    if (trace_)
        trace_(line);
}

void Win32ComboBox::Locked(bool value) {
    BoundComboBox::Locked(value);
    SendMessageW(edit_window_, EM_SETREADONLY, value, 0);
}

void Win32ComboBox::applyColours() {
    if (backBrush_)
        DeleteObject(backBrush_);
    backBrush_ = CreateSolidBrush(toColorRef(backColor_));
    InvalidateRect(combo_, nullptr, TRUE);
    InvalidateRect(edit_window_, nullptr, TRUE);
}

HBRUSH Win32ComboBox::colours(HDC dc) {
    SetTextColor(dc, toColorRef(foreColor_));
    SetBkColor(dc, toColorRef(backColor_));
    return backBrush_;
}

void Win32ComboBox::Font(FontRef value) {
    followFont(std::move(value));
}

void Win32ComboBox::copySelection() {
    SendMessageW(edit_window_, WM_COPY, 0, 0);
}

void Win32ComboBox::applyFont() {
    for (HFONT* font : {&boxFont_, &rowFont_, &boldFont_})
        if (*font)
            DeleteObject(*font);
    boxFont_ = createFont(*font_);
    rowFont_ = createFont(*font_, FW_NORMAL);
    boldFont_ = createFont(*font_, FW_BOLD);
    measureExtras(0);
    SendMessageW(combo_, WM_SETFONT, reinterpret_cast<WPARAM>(boxFont_), TRUE);
    const int height = lineHeight(boxFont_);
    SendMessageW(combo_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height + 2);
    SendMessageW(combo_, CB_SETITEMHEIGHT, 0, height + 4);
}

// The height of a line of text in the font, on the box's screen.
int Win32ComboBox::lineHeight(HFONT font) const {
    const HDC dc = GetDC(combo_);
    const HGDIOBJ was = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, was);
    ReleaseDC(combo_, dc);
    return metrics.tmHeight;
}

// The list is drawn once with its new rows, not once per row.
void Win32ComboBox::Refresh() {
    BoundComboBox::Refresh();
    SendMessageW(list_window_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
    rowsFetched_ = 0;
    fetchRows(kRowsPerFetch);
    fitList();
    followCurrentRow();
    SendMessageW(list_window_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_window_, nullptr, TRUE);
}

// The list is as tall as its rows, up to ten: the combo box's window height sets the height
// of its list when it opens, and an open list takes a new height itself.
void Win32ComboBox::fitList() {
    const auto rows = static_cast<int>(std::clamp<std::size_t>(rowsFetched_, 1, kVisibleRows));
    const auto rowHeight = static_cast<int>(SendMessageW(combo_, CB_GETITEMHEIGHT, 0, 0));
    const int listHeight = rows * rowHeight + 2;
    if (listOpen_) {
        RECT list{};
        GetWindowRect(list_window_, &list);
        if (list.bottom - list.top != listHeight)
            SetWindowPos(list_window_, nullptr, 0, 0, list.right - list.left, listHeight,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    RECT dropped{};
    SendMessageW(combo_, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    RECT box{};
    GetWindowRect(combo_, &box);
    if (dropped.bottom - box.bottom != listHeight)
        SetWindowPos(combo_, nullptr, 0, 0, box.right - box.left, box.bottom - box.top + listHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Only the rows read so far are in the list; more come as it is scrolled to its end.
void Win32ComboBox::fetchRows(std::size_t count) {
    const std::size_t from = rowsFetched_;
    const std::size_t until = rowsFetched_ + count;
    while (rowsFetched_ < until && list_.hasRow(rowsFetched_)) {
        SendMessageW(combo_, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(toWide(list_.value(rowsFetched_)).c_str()));
        ++rowsFetched_;
    }
    measureExtras(from);
}

// Each extra column is as wide as its widest value among the rows read, with a gap of two
// average characters before it.
void Win32ComboBox::measureExtras(std::size_t from) {
    if (from == 0)
        extraWidths_.clear();
    const HDC dc = GetDC(combo_);
    const HGDIOBJ was = SelectObject(dc, rowFont_);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    for (std::size_t row = from; row < rowsFetched_; ++row) {
        const auto extras = list_.extras(row);
        extraWidths_.resize(std::max(extraWidths_.size(), extras.size()), 0);
        for (std::size_t column = 0; column < extras.size(); ++column) {
            const std::wstring text = toWide(extras[column]);
            SIZE size{};
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
            extraWidths_[column] = std::max(extraWidths_[column],
                                            static_cast<int>(size.cx + 2 * metrics.tmAveCharWidth));
        }
    }
    SelectObject(dc, was);
    ReleaseDC(combo_, dc);
}

void Win32ComboBox::fetchWhenNearTheEnd() {
    const auto top = static_cast<std::size_t>(SendMessageW(list_window_, LB_GETTOPINDEX, 0, 0));
    if (top + 2 * kVisibleRows >= rowsFetched_)
        fetchRows(kRowsPerFetch);
}

std::size_t Win32ComboBox::rowsInList() const {
    return rowsFetched_;
}

bool Win32ComboBox::readRowsThrough(std::size_t row) {
    if (row >= rowsFetched_)
        fetchRows(row + 1 - rowsFetched_);
    return row < rowsFetched_;
}

// The row that shows the box's text, among the rows read, is the list's current one.
void Win32ComboBox::followCurrentRow() {
    const String& text = edit_.text();
    int current = -1;
    if (const auto chosen = list_.chosenRowShowing(text); chosen && readRowsThrough(*chosen))
        current = static_cast<int>(*chosen);
    for (std::size_t row = 0; current < 0 && row < rowsFetched_ && !text.empty(); ++row)
        if (list_.value(row) == text) {
            current = static_cast<int>(row);
            break;
        }
    // A row stepped to with the arrows may lie just past the rows read: they follow it.
    for (std::size_t row = rowsFetched_;
         current < 0 && !text.empty() && row < rowsFetched_ + kRowsPerFetch && list_.hasRow(row);
         ++row)
        if (list_.value(row) == text) {
            readRowsThrough(row);
            current = static_cast<int>(row);
        }
    if (SendMessageW(list_window_, LB_GETCURSEL, 0, 0) == current)
        return;
    SendMessageW(list_window_, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
    if (listOpen_)
        accessibility_.currentRowChanged(current);
}

double Win32ComboBox::unitsPerPixel() const {
    return scale_.inPixels() ? 1.0 : scale_.twipsPerPixel();
}

Single Win32ComboBox::Width() const {
    RECT box{};
    GetWindowRect(combo_, &box);
    return static_cast<Single>((box.right - box.left) * unitsPerPixel());
}

void Win32ComboBox::Width(Single value) {
    RECT box{};
    GetWindowRect(combo_, &box);
    SetWindowPos(combo_, nullptr, 0, 0, static_cast<int>(value / unitsPerPixel() + 0.5),
                 box.bottom - box.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    fitList();
}

Single Win32ComboBox::Height() const {
    RECT box{};
    GetWindowRect(combo_, &box);
    return static_cast<Single>((box.bottom - box.top) * unitsPerPixel());
}

bool Win32ComboBox::Enabled() const {
    return IsWindowEnabled(combo_);
}

// A form moves the focus on from a control it disables.
void Win32ComboBox::Enabled(bool value) {
    if (!value && GetFocus() == edit_window_)
        moveFocus(false);
    EnableWindow(combo_, value);
}

void Win32ComboBox::ToolTipText(const String& value) {
    if (!tooltip_) {
        const INITCOMMONCONTROLSEX tips{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
        InitCommonControlsEx(&tips);
        tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, combo_, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        for (HWND part : {combo_, edit_window_}) {
            TOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND; // the box relays the mouse to it (showTipFor)
            tool.hwnd = combo_;
            tool.uId = reinterpret_cast<UINT_PTR>(part);
            tool.lpszText = const_cast<wchar_t*>(L"");
            SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    std::wstring text = toWide(value);
    for (HWND part : {combo_, edit_window_}) {
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = combo_;
        tool.uId = reinterpret_cast<UINT_PTR>(part);
        tool.lpszText = text.data();
        SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

// The tool tip hears the mouse over the box's parts from the box, which already sees every
// message to them.
void Win32ComboBox::showTipFor(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const {
    if (!tooltip_)
        return;
    MSG mouse{window, message, wParam, lParam, 0, {}};
    SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&mouse));
}

String Win32ComboBox::toolTipText() const {
    if (!tooltip_)
        return {};
    std::wstring text(1024, L'\0');
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = combo_;
    tool.uId = reinterpret_cast<UINT_PTR>(combo_);
    tool.lpszText = text.data();
    SendMessageW(tooltip_, TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
    return fromWide(text.c_str());
}

void Win32ComboBox::SetFocus() {
    trace("setfocus");
    ::SetFocus(edit_window_);
}

// The edit part shows the model's text and selection; what the combo box itself would
// write into it (a row it selects) never reaches it.
void Win32ComboBox::showEdit() {
    const bool wasShowing = std::exchange(showing_, true);
    if (windowText(edit_window_) != edit_.text()) {
        SetWindowTextW(edit_window_, toWide(edit_.text()).c_str());
        accessibility_.valueChanged();
    }
    const auto start = static_cast<WPARAM>(edit_.selStart());
    SendMessageW(edit_window_, EM_SETSEL, start,
                 static_cast<LPARAM>(start + static_cast<WPARAM>(edit_.selLength())));
    showing_ = wasShowing;
    followCurrentRow();
}

// What the edit part does by itself (a click or a drag that moves the caret or selects, its
// own menu's paste) goes into the editing model.
void Win32ComboBox::followEdit() {
    if (showing_)
        return;
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(edit_window_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    const String text = windowText(edit_window_);
    if (text != edit_.text())
        edit_.editedInView(text, static_cast<Long>(end));
    else
        edit_.selectedInView(static_cast<Long>(start), static_cast<Long>(end - start));
}

void Win32ComboBox::openList() {
    if (listOpen_)
        return;
    listOpen_ = true;
    trace("dropdown");
    if (rowsFetched_ < static_cast<std::size_t>(kVisibleRows))
        fetchRows(kRowsPerFetch);
    fitList();
    SendMessageW(combo_, CB_SHOWDROPDOWN, TRUE, 0);
    followCurrentRow();
}

void Win32ComboBox::closeList() {
    if (!listOpen_)
        return;
    listOpen_ = false;
    SendMessageW(combo_, CB_SHOWDROPDOWN, FALSE, 0);
    followCurrentRow();
}

void Win32ComboBox::command(int notification) {
    switch (notification) {
    case CBN_DROPDOWN:
        if (!listOpen_) {
            trace("dropdown");
            fitList();
            listOpen_ = true;
        }
        break;
    case CBN_CLOSEUP:
        listOpen_ = false;
        break;
    case CBN_SELENDOK: {
        const auto row = SendMessageW(combo_, CB_GETCURSEL, 0, 0);
        if (row >= 0 && IsWindowEnabled(combo_))
            pickRow(static_cast<std::size_t>(row));
        break;
    }
    case CBN_EDITCHANGE:
        followEdit();
        break;
    default:
        break;
    }
}

void Win32ComboBox::measureItem(MEASUREITEMSTRUCT& item) const {
    item.itemHeight = static_cast<UINT>(lineHeight(rowFont_) + 4);
}

// A row in the regular weight of the box's font, with the parts that matched what was typed
// in bold.
void Win32ComboBox::drawItem(const DRAWITEMSTRUCT& item) const {
    const bool selected = item.itemState & ODS_SELECTED;
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID == static_cast<UINT>(-1) || item.itemID >= rowsFetched_)
        return;
    const String value = list_.value(item.itemID);
    SetBkMode(item.hDC, TRANSPARENT);
    RECT valueArea = item.rcItem;
    valueArea.right -= drawExtras(item, selected);
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const auto bold = list_.matchedParts(value);
    std::size_t at = 0;
    int x = item.rcItem.left + 2;
    const auto piece = [&](std::size_t end, HFONT font) {
        if (end <= at)
            return;
        const HGDIOBJ was = SelectObject(item.hDC, font);
        const std::wstring text = toWide(value.substr(at, end - at));
        SIZE size{};
        GetTextExtentPoint32W(item.hDC, text.c_str(), static_cast<int>(text.size()), &size);
        ExtTextOutW(item.hDC, x, item.rcItem.top + 2, ETO_CLIPPED, &valueArea, text.c_str(),
                    static_cast<UINT>(text.size()), nullptr);
        SelectObject(item.hDC, was);
        x += size.cx;
        at = end;
    };
    for (const auto& run : bold) {
        piece(run.start, rowFont_);
        piece(run.start + run.length, boldFont_);
    }
    piece(value.size(), rowFont_);
}

// The row's extra columns at its right end, in the quieter grey of the system; returns the
// width they take.
int Win32ComboBox::drawExtras(const DRAWITEMSTRUCT& item, bool selected) const {
    const auto extras = list_.extras(item.itemID);
    int width = 0;
    for (std::size_t column = 0; column < extras.size() && column < extraWidths_.size(); ++column)
        width += extraWidths_[column];
    if (width == 0)
        return 0;
    SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_GRAYTEXT));
    const HGDIOBJ was = SelectObject(item.hDC, rowFont_);
    TEXTMETRICW metrics{};
    GetTextMetricsW(item.hDC, &metrics);
    int x = item.rcItem.right - width;
    for (std::size_t column = 0; column < extras.size() && column < extraWidths_.size(); ++column) {
        const std::wstring text = toWide(extras[column]);
        TextOutW(item.hDC, x + 2 * metrics.tmAveCharWidth, item.rcItem.top + 2, text.c_str(),
                 static_cast<int>(text.size()));
        x += extraWidths_[column];
    }
    SelectObject(item.hDC, was);
    return width;
}

String Win32ComboBox::rowAsDrawn(std::size_t row) const {
    String drawn = list_.value(row);
    const auto bold = list_.matchedParts(drawn);
    for (auto run = bold.rbegin(); run != bold.rend(); ++run) {
        drawn.insert(run->start + run->length, 1, u']');
        drawn.insert(run->start, 1, u'[');
    }
    return drawn;
}

// Selects as the edit part does when dragged over, and the model follows.
void Win32ComboBox::selectAsDragged(Long start, Long length) {
    const bool wasShowing = std::exchange(showing_, true);
    SendMessageW(edit_window_, EM_SETSEL, static_cast<WPARAM>(start),
                 static_cast<LPARAM>(start + length));
    showing_ = wasShowing;
    followEdit();
}

} // namespace veltra::win32
