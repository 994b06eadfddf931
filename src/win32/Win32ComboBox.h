// This file is not part of the API. The combo box `dbComb` over a real Win32 COMBOBOX
// (drop-down style): its edit part subclassed so that the control hears every key, mouse
// and focus event first, the editing model behind the edit part, and a list that holds only
// the rows read so far, drawn with the matched parts in bold.
#pragma once

#include "ComboAccessible.h"
#include "veltra/data/BoundControls.h"
#include "veltra/platform/Keys.h"
#include "veltra/platform/Tracing.h"

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>
#include <windows.h>

namespace veltra::win32 {

// Converts between the control's units and the screen: twips while the host lays out,
// pixels after.
struct Scale {
    std::function<bool()> inPixels;
    std::function<double()> twipsPerPixel;
};

class Win32ComboBox final : public BoundComboBox {
  public:
    Win32ComboBox(DataControl& source, HWND parent, Scale scale);
    ~Win32ComboBox() override;
    Win32ComboBox(const Win32ComboBox&) = delete;
    Win32ComboBox& operator=(const Win32ComboBox&) = delete;

    void Locked(bool value) override;
    FontRef Font() const override { return font_; }
    void Font(FontRef value) override;
    void Refresh() override;
    Single Width() const override;
    void Width(Single value) override;
    Single Height() const override;
    void Height(Single) override {}
    bool Enabled() const override;
    void Enabled(bool value) override;
    void ToolTipText(const String& value) override;
    void SetFocus() override;

    HWND combo() const { return combo_; }
    HWND edit() const { return edit_window_; }
    HWND listBox() const { return list_window_; }
    void setTrace(TraceSink trace) { trace_ = std::move(trace); }
    // How many of the control's units make a pixel of the screen.
    double unitsPerPixel() const;
    void openList() override;
    void closeList() override;
    // Selects part of the text as a drag with the mouse over it does.
    void selectAsDragged(Long start, Long length);
    // A list row as drawn: the value with its bold parts in brackets (for tests).
    String rowAsDrawn(std::size_t row) const;
    std::size_t rowsInList() const;
    // Reads rows into the list until it holds the row; false when the result has no such row.
    bool readRowsThrough(std::size_t row);
    String toolTipText() const;

    // What the parent window passes on: the combo box's notifications, its rows' size and
    // drawing, the colours of its parts.
    void command(int notification);
    void measureItem(MEASUREITEMSTRUCT& item) const;
    void drawItem(const DRAWITEMSTRUCT& item) const;
    HBRUSH colours(HDC dc);

  private:
    static LRESULT CALLBACK procedure(HWND, UINT, WPARAM, LPARAM);
    // What the part's own window procedure does with the message.
    LRESULT byDefault(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The box's windows with their own window procedures.
    std::array<std::pair<HWND, WNDPROC>, 3> parts() const {
        return {{{edit_window_, editOriginal_},
                 {combo_, comboOriginal_},
                 {list_window_, listOriginal_}}};
    }
    std::optional<LRESULT> editMessage(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> comboMessage(UINT message, WPARAM wParam, LPARAM lParam);
    std::optional<LRESULT> listMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void keyDown(WPARAM virtualKey, bool system);
    void character(wchar_t unit);
    void keyUp(WPARAM virtualKey);
    Integer shiftState() const;
    void typeCharacter(const String& character);
    void copySelection() override;
    void leaveForNext() override;
    void applyColours() override;
    void tab(Integer shift);
    void moveFocus(bool backwards);
    void focusIn(HWND from);
    void focusOut(HWND to);
    void mouse(UINT message, WPARAM wParam, POINT inBox, Integer area);
    void showTipFor(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const;
    void showEdit();
    void followEdit();
    void fetchRows(std::size_t count);
    void measureExtras(std::size_t from);
    int drawExtras(const DRAWITEMSTRUCT& item, bool selected) const;
    void fetchWhenNearTheEnd();
    void fitList();
    void followCurrentRow();
    void applyFont() override;
    int lineHeight(HFONT font) const;
    void trace(const std::string& line) const;

    Scale scale_;
    HWND combo_ = nullptr;
    HWND edit_window_ = nullptr;
    HWND list_window_ = nullptr;
    WNDPROC editOriginal_ = nullptr;
    WNDPROC comboOriginal_ = nullptr;
    WNDPROC listOriginal_ = nullptr;
    HWND tooltip_ = nullptr;
    TraceSink trace_;
    HBRUSH backBrush_ = nullptr;
    HFONT boxFont_ = nullptr;  // the edit part's, the font as it is
    HFONT rowFont_ = nullptr;  // the rows', in its regular weight
    HFONT boldFont_ = nullptr; // the rows' matched parts
    std::size_t rowsFetched_ = 0;
    std::vector<int> extraWidths_; // of the extra columns, over the rows read
    // While the edit part shows the editing model's text and selection.
    bool showing_ = false;
    // Whether the control holds the focus, also while its window is not the active one.
    bool focused_ = false;
    bool listOpen_ = false;
    // The keys pressed while the box had the focus and not released yet, with the codes the
    // control heard for them.
    std::map<WPARAM, Integer> pressedKeys_;
    // Whether the characters that arrive now are typed by a key whose key down the control
    // heard; others come from an input method or a dead-key sequence.
    bool characterKeyDown_ = false;
    // Whether Alt, held now, went with an arrow key that the box kept from the system.
    bool altChord_ = false;
    // The first half of a character beyond the 16-bit range, until its second arrives.
    wchar_t highSurrogate_ = 0;
    ComboAccessibility accessibility_{*this};
};

} // namespace veltra::win32
