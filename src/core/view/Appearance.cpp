// Appearance and text: thin pass-throughs to the combo box, which holds the values.
#include "control/ResumeNext.h"
#include "veltra/Veltra.h"

namespace veltra {

Colour Veltra::ForeColor() const {
    return readOr(Colour{0}, [&] { return dbComb.ForeColor(); });
}
void Veltra::ForeColor(Colour New_ForeColor) {
    resumeNext([&] { dbComb.ForeColor(New_ForeColor); });
    notify(u"ForeColor");
}

bool Veltra::Enabled() const {
    return readOr(false, [&] { return dbComb.Enabled(); });
}
void Veltra::Enabled(bool New_Enabled) {
    resumeNext([&] { dbComb.Enabled(New_Enabled); });
    notify(u"Enabled");
}

FontRef Veltra::Font() const {
    return readOr(FontRef(), [&] { return dbComb.Font(); });
}
// A font set explicitly keeps its size: automatic sizing is switched off.
void Veltra::Font(FontRef New_Font) {
    resumeNext([&] { dbComb.Font(New_Font); });
    notify(u"Font");
    FontAuto(false);
}

bool Veltra::Locked() const {
    return readOr(false, [&] { return dbComb.Locked(); });
}
void Veltra::Locked(bool New_Locked) {
    resumeNext([&] { dbComb.Locked(New_Locked); });
    notify(u"Locked");
}

// A text with a wildcard is a search pattern the user is typing, not a value.
String Veltra::Text() const {
    const String text = readOr(String(), [&] { return dbComb.Text(); });
    return text.find_first_of(u"*?") == String::npos ? text : String();
}
void Veltra::Text(const String& New_Text) {
    if (readOr(false, [&] { return dbComb.Text() == New_Text; }))
        return;
    if (!New_Text.empty())
        MostrarTodos();
    resumeNext([&] { dbComb.Text(New_Text); });
    notify(u"Text");
}

void Veltra::Refresh() {
    resumeNext([&] { Data1.Refresh(); });
    resumeNext([&] { dbComb.Refresh(); });
}

} // namespace veltra
