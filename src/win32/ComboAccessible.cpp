#include "ComboAccessible.h"

#include "ComObject.h"
#include "Win32ComboBox.h"
#include "Win32Text.h"

#include <oleacc.h>
#include <optional>

namespace veltra::win32 {

namespace {

BSTR allocated(const String& text) {
    const std::wstring wide = toWide(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

// The form's label for a window: the static text just before it among its siblings, its
// mnemonic mark and closing colon left out ("&Cidade:" names it "Cidade").
String labelBefore(HWND window) {
    const HWND previous = GetWindow(window, GW_HWNDPREV);
    wchar_t className[16] = {};
    if (!previous || !GetClassNameW(previous, className, 16) ||
        lstrcmpiW(className, L"Static") != 0)
        return {};
    String label = windowText(previous);
    if (const auto mark = label.find(u'&'); mark != String::npos)
        label.erase(mark, 1);
    while (!label.empty() && (label.back() == u':' || label.back() == u' '))
        label.pop_back();
    return label;
}

VARIANT integer(LONG value) {
    VARIANT result;
    VariantInit(&result);
    V_VT(&result) = VT_I4;
    V_I4(&result) = value;
    return result;
}

} // namespace

// The accessible object itself. It outlives the box while a client holds it: then it
// answers that it is gone.
class ComboAccessibility::Object final : public ComObject<IAccessible, IDispatch> {
  public:
    explicit Object(Win32ComboBox& box) : box_(&box) {}
    void detach() { box_ = nullptr; }

    // IDispatch: clients use the interface's own functions.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible: the box is CHILDID_SELF, the rows are children 1 to the rows read.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        *parent = nullptr;
        if (!box_)
            return E_FAIL;
        return AccessibleObjectFromWindow(box_->combo(), static_cast<DWORD>(OBJID_WINDOW),
                                          __uuidof(IDispatch), reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        *count = box_ ? static_cast<LONG>(box_->rowsInList()) : 0;
        return box_ ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
        *child = nullptr;
        return S_FALSE; // the rows are simple elements
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        *name = nullptr;
        if (!box_)
            return E_FAIL;
        if (isSelf(child)) {
            const String label = labelBefore(GetParent(box_->combo()));
            *name = label.empty() ? nullptr : allocated(label);
            return label.empty() ? S_FALSE : S_OK;
        }
        const auto row = rowOf(child);
        if (!row)
            return E_INVALIDARG;
        // "São Domingos, GO": the extra columns tell rows of one name apart.
        String shown = box_->list().value(*row);
        for (const auto& extra : box_->list().extras(*row))
            shown += u", " + extra;
        *name = allocated(shown);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        *value = nullptr;
        if (!box_ || !isSelf(child))
            return box_ ? S_FALSE : E_FAIL;
        *value = allocated(box_->Text());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        *description = nullptr;
        if (!box_ || !isSelf(child))
            return box_ ? S_FALSE : E_FAIL;
        const String tip = box_->toolTipText();
        *description = tip.empty() ? nullptr : allocated(tip);
        return tip.empty() ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!box_)
            return E_FAIL;
        *role = integer(isSelf(child) ? ROLE_SYSTEM_COMBOBOX : ROLE_SYSTEM_LISTITEM);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!box_)
            return E_FAIL;
        LONG flags = 0;
        if (isSelf(child)) {
            const bool enabled = IsWindowEnabled(box_->combo());
            flags |= enabled ? STATE_SYSTEM_FOCUSABLE : STATE_SYSTEM_UNAVAILABLE;
            flags |= GetFocus() == box_->edit() ? STATE_SYSTEM_FOCUSED : 0;
            flags |=
                IsWindowVisible(box_->listBox()) ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED;
        } else if (const auto row = rowOf(child)) {
            flags |= STATE_SYSTEM_SELECTABLE;
            flags |= currentRow() == static_cast<LONG>(*row) ? STATE_SYSTEM_SELECTED : 0;
        }
        *state = integer(flags);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
        *help = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        *file = nullptr;
        *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
        *shortcut = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        VariantInit(focus);
        if (!box_)
            return E_FAIL;
        if (GetFocus() != box_->edit())
            return S_FALSE;
        *focus = integer(CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        VariantInit(selection);
        if (!box_)
            return E_FAIL;
        const LONG row = currentRow();
        if (row < 0)
            return S_FALSE;
        *selection = integer(row + 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* action) override {
        *action = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        if (!box_)
            return E_FAIL;
        RECT area{};
        if (isSelf(child)) {
            GetWindowRect(box_->combo(), &area);
        } else if (const auto row = rowOf(child)) {
            SendMessageW(box_->listBox(), LB_GETITEMRECT, *row, reinterpret_cast<LPARAM>(&area));
            MapWindowPoints(box_->listBox(), nullptr, reinterpret_cast<POINT*>(&area), 2);
        } else {
            return E_INVALIDARG;
        }
        *left = area.left;
        *top = area.top;
        *width = area.right - area.left;
        *height = area.bottom - area.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG, VARIANT, VARIANT* end) override {
        VariantInit(end);
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG, LONG, VARIANT* child) override {
        VariantInit(child);
        if (!box_)
            return E_FAIL;
        *child = integer(CHILDID_SELF);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  private:
    static bool isSelf(const VARIANT& child) {
        return V_VT(&child) == VT_I4 && V_I4(&child) == CHILDID_SELF;
    }
    std::optional<std::size_t> rowOf(const VARIANT& child) const {
        if (V_VT(&child) != VT_I4 || V_I4(&child) < 1 ||
            static_cast<std::size_t>(V_I4(&child)) > box_->rowsInList())
            return std::nullopt;
        return static_cast<std::size_t>(V_I4(&child) - 1);
    }
    LONG currentRow() const {
        return static_cast<LONG>(SendMessageW(box_->listBox(), LB_GETCURSEL, 0, 0));
    }

    Win32ComboBox* box_;
};

ComboAccessibility::~ComboAccessibility() {
    if (object_) {
        object_->detach();
        object_->Release();
    }
}

LRESULT ComboAccessibility::answer(WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT)
        return 0;
    if (!object_)
        object_ = new Object(box_);
    return LresultFromObject(__uuidof(IAccessible), wParam, object_);
}

void ComboAccessibility::valueChanged() const {
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, box_.combo(), OBJID_CLIENT, CHILDID_SELF);
}

void ComboAccessibility::currentRowChanged(int row) const {
    if (row >= 0)
        NotifyWinEvent(EVENT_OBJECT_SELECTION, box_.combo(), OBJID_CLIENT, row + 1);
}

} // namespace veltra::win32
