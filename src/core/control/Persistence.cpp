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
    // The text box follows the list field the combo box has now, also when the combo box
    // refused the saved one.
    resumeNext([&] { txtDbComb.DataField(dbComb.ListField()); });
    resumeNext([&] { dbComb.ToolTipText(ToolTipText2_); });
}

// Saves every key in the table's order, each with its default. The keys that came after
// the first 23 are written only when they differ from their defaults: a form that does not
// use them is saved as it always was, and reads the same anywhere.
void Veltra::WriteProperties(PropertyBag& bag) {
    constexpr int kOriginalKeys = 23;
    const Variant ambientFont = readOr(FontRef(), [&] { return host_.AmbientFont(); });
    for (const auto& property : properties()) {
        if (property.bagKey.empty())
            continue;
        resumeNext([&] {
            const Variant value = property.save(*this);
            if (property.restoreStep > kOriginalKeys && value == property.defaultValue)
                return;
            bag.WriteProperty(String(property.bagKey), value,
                              property.type == PropertyType::Font ? ambientFont
                                                                  : property.defaultValue);
        });
    }
}

} // namespace veltra
