// Fitting the combo box to the control and the control to the combo box.
#include "control/ResumeNext.h"
#include "veltra/FontSizes.h"
#include "veltra/Veltra.h"

namespace veltra {

namespace {

// The size of the band the height falls in; each band includes its lower bound.
Integer fontSizeForHeight(Single heightTwips) {
    Integer points = kFontSizeBands.front().points;
    for (const auto& band : kFontSizeBands)
        if (heightTwips >= band.fromTwips)
            points = band.points;
    return points;
}

} // namespace

// Lays out in twips and leaves the control in pixels. Writing the control's height makes
// the host resize it again, nested, until a run leaves the height as it is.
void Veltra::UserControl_Resize() {
    resumeNext([&] { host_.ScaleMode(ScaleMode::Twips); });
    if (FontAuto_)
        resumeNext([&] { dbComb.Font()->Size(fontSizeForHeight(host_.Height())); });
    resumeNext([&] { dbComb.Width(host_.Width()); });
    resumeNext([&] { host_.Height(dbComb.Height()); });
    resumeNext([&] { host_.ScaleMode(ScaleMode::Pixels); });
}

} // namespace veltra
