// Saving the configuration with the host's form and restoring it, key by key as the
// property table gives them.
#include "control/ResumeNext.h"
#include "veltra/Text.h"
#include "veltra/Veltra.h"

#include <algorithm>
#include <vector>

namespace veltra {

namespace {

std::vector<const PropertyInfo*> savedInRestoreOrder() {
    std::vector<const PropertyInfo*> saved;
    for (const auto& property : properties())
        if (!property.bagKey.empty())
            saved.push_back(&property);
    std::ranges::sort(saved, {}, &PropertyInfo::restoreStep);
    return saved;
}

} // namespace

// Restores straight into the members and the child controls, in a fixed order, without
// the checks and notifications of the property Lets. A key whose value cannot be
// converted, or a child that refuses its value, leaves that one value as it was.
void Veltra::ReadProperties(PropertyBag& bag) {
    static const auto saved = savedInRestoreOrder();
    for (const auto* property : saved) {
        resumeNext([&] {
            const Variant defaultValue = property->type == PropertyType::Font
                                             ? Variant(host_.AmbientFont())
                                             : property->defaultValue;
            property->restore(*this, bag.ReadProperty(String(property->bagKey), defaultValue));
        });
    }
    resumeNext([&] { dbComb.ToolTipText(ToolTipText2_); });
}

// Saves every key in the table's order, each with its default.
void Veltra::WriteProperties(PropertyBag& bag) {
    const Variant ambientFont = readOr(FontRef(), [&] { return host_.AmbientFont(); });
    for (const auto& property : properties()) {
        if (property.bagKey.empty())
            continue;
        resumeNext([&] {
            bag.WriteProperty(String(property.bagKey), property.save(*this),
                              property.type == PropertyType::Font ? ambientFont
                                                                  : property.defaultValue);
        });
    }
}

// The values the child controls hold: saved as the bag keeps them, restored straight into
// the child.
Variant Veltra::savedForeColor() const {
    return static_cast<Long>(dbComb.ForeColor());
}
void Veltra::restoreForeColor(const Variant& value) {
    dbComb.ForeColor(static_cast<Colour>(value.toLong()));
}
Variant Veltra::savedEnabled() const {
    return dbComb.Enabled();
}
void Veltra::restoreEnabled(const Variant& value) {
    dbComb.Enabled(value.toBoolean());
}
Variant Veltra::savedFont() const {
    return dbComb.Font();
}
void Veltra::restoreFont(const Variant& value) {
    dbComb.Font(value.toFont());
}
Variant Veltra::savedLocked() const {
    return dbComb.Locked();
}
void Veltra::restoreLocked(const Variant& value) {
    dbComb.Locked(value.toBoolean());
}
// The box saves its own form of the text, and gets back a plain text.
Variant Veltra::savedText() const {
    return dbComb.SavedText();
}
void Veltra::restoreText(const Variant& value) {
    dbComb.Text(value.toText());
}
Variant Veltra::savedx4_BoundColumn() const {
    return dbComb.BoundColumn();
}
void Veltra::restorex4_BoundColumn(const Variant& value) {
    dbComb.BoundColumn(value.toText());
}
Variant Veltra::savedConnect() const {
    return Data1.SavedConnect();
}
void Veltra::restoreConnect(const Variant& value) {
    Data1.Connect(value.toText());
}
Variant Veltra::savedx1_DatabaseName() const {
    return Data1.SavedDatabaseName();
}
void Veltra::restorex1_DatabaseName(const Variant& value) {
    Data1.DatabaseName(value.toText());
}
Variant Veltra::savedx3_ListField() const {
    return dbComb.ListField();
}
// The text box follows the list field the combo box has afterwards, also when the combo
// box refused the saved one.
void Veltra::restorex3_ListField(const Variant& value) {
    resumeNext([&] { dbComb.ListField(value.toText()); });
    resumeNext([&] { txtDbComb.DataField(dbComb.ListField()); });
}

} // namespace veltra
