// The data-bound combo box `dbComb`, with the container extender around it.
#pragma once

#include "veltra/Font.h"
#include "veltra/Types.h"

namespace veltra {

class ControlNotifications;

// The box's font as designed, before the control sets its own.
inline FontRef designFont() {
    return Font::make(u"Tahoma", 8.25f, true);
}

// Every operation may throw veltra::Error; the control treats a throw as a failed statement.
class ComboBox {
  public:
    virtual ~ComboBox() = default;

    // Where the box delivers its notifications (nullptr: nowhere).
    virtual void attach(ControlNotifications* control) = 0;

    // The edit part. Writing a different text delivers dbComb_Change before returning.
    virtual String Text() const = 0;
    virtual void Text(const String& value) = 0;
    // The bound column's value of the row that the text matches; the text itself while it
    // matches none. Writing selects the row with that key (the text shows its list value),
    // or shows the written value when no row has it.
    virtual String BoundText() const = 0;
    virtual void BoundText(const String& value) = 0;
    // Column names; writing a name that the data source's rows lack fails.
    virtual String ListField() const = 0;
    virtual void ListField(const String& value) = 0;
    virtual String BoundColumn() const = 0;
    virtual void BoundColumn(const String& value) = 0;
    // Columns the list shows after the value, their names separated by ";"; writing a name
    // that the data source's rows lack fails, as for ListField.
    virtual String ExtraColumns() const = 0;
    virtual void ExtraColumns(const String& value) = 0;

    virtual Long SelStart() const = 0;
    virtual void SelStart(Long value) = 0;
    virtual Long SelLength() const = 0;
    virtual void SelLength(Long value) = 0;

    virtual bool Locked() const = 0;
    virtual void Locked(bool value) = 0;
    virtual Colour ForeColor() const = 0;
    virtual void ForeColor(Colour value) = 0;
    virtual Colour BackColor() const = 0;
    virtual void BackColor(Colour value) = 0;
    // The live font object; a font that is set is shared, not copied.
    virtual FontRef Font() const = 0;
    virtual void Font(FontRef value) = 0;
    // The text under which the box saves its contents with the form.
    virtual String SavedText() const = 0;
    // Re-reads the list from the data source.
    virtual void Refresh() = 0;

    // Container extender: sizes in the control's current scale unit.
    virtual Single Width() const = 0;
    virtual void Width(Single value) = 0;
    virtual Single Height() const = 0;
    virtual void Height(Single value) = 0;
    virtual bool Enabled() const = 0;
    virtual void Enabled(bool value) = 0;
    virtual void ToolTipText(const String& value) = 0;
    virtual void SetFocus() = 0;
};

} // namespace veltra
