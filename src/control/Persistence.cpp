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

// A connection string without its password: libpq's own means (.pgpass, PGPASSWORD, a
// service file) give it, and a form file is no place for one. Handles key=value settings
// (a value quoted or not) and URIs (user:password@ and ?password=).
String withoutPassword(const String& name) {
    static const std::u16string_view kKeyword = u"password";
    String kept = name;
    for (std::size_t at = lowerCase(kept).find(kKeyword); at != String::npos;
         at = lowerCase(kept).find(kKeyword, at)) {
        auto end = at + kKeyword.size();
        while (end < kept.size() && kept[end] == u' ')
            ++end;
        const bool setting =
            (at == 0 || kept[at - 1] == u' ' || kept[at - 1] == u'?' || kept[at - 1] == u'&') &&
            end < kept.size() && kept[end] == u'=';
        if (!setting) {
            at = end;
            continue;
        }
        ++end;
        while (end < kept.size() && kept[end] == u' ')
            ++end;
        const bool quoted = end < kept.size() && kept[end] == u'\'';
        for (end += quoted ? 1 : 0; end < kept.size(); ++end) {
            if (quoted && kept[end] == u'\\') {
                ++end;
                continue;
            }
            if (quoted ? kept[end] == u'\'' : (kept[end] == u' ' || kept[end] == u'&'))
                break;
        }
        end = std::min(kept.size(), end + (quoted ? 1 : 0));
        // The separator after the setting goes with it; a URI keeps its "?" for what follows.
        if (end < kept.size() && (kept[end] == u' ' || kept[end] == u'&'))
            ++end;
        kept.erase(at, end - at);
    }
    if (const auto scheme = kept.find(u"://"); scheme != String::npos) {
        const auto at = kept.find(u'@', scheme);
        const auto colon = kept.find(u':', scheme + 3);
        if (at != String::npos && colon < at)
            kept.erase(colon, at - colon);
    }
    while (!kept.empty() && (kept.back() == u' ' || kept.back() == u'?' || kept.back() == u'&'))
        kept.pop_back();
    return kept;
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
    return Data1.Connect();
}
void Veltra::restoreConnect(const Variant& value) {
    Data1.Connect(value.toText());
}
Variant Veltra::savedx1_DatabaseName() const {
    return Data1.DatabaseNameIsFile() ? Data1.DatabaseName()
                                      : withoutPassword(Data1.DatabaseName());
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
