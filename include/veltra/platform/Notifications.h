// What the child controls and the host deliver to the control.
#pragma once

#include "veltra/Types.h"

namespace veltra {

// The control implements this interface; a platform's combo box, text box and host call it
// on the user-interface thread. Arguments by reference carry the control's (and, through
// it, the host program's) changes back to the child, which then acts on the changed value.
class ControlNotifications {
  public:
    virtual ~ControlNotifications() = default;

    virtual void dbComb_GotFocus() = 0;
    virtual void dbComb_LostFocus() = 0;
    virtual void dbComb_Click(Integer& Area) = 0;
    virtual void dbComb_DblClick(Integer& Area) = 0;
    virtual void dbComb_KeyDown(Integer& KeyCode, Integer& Shift) = 0;
    virtual void dbComb_KeyPress(Integer& KeyAscii) = 0;
    virtual void dbComb_KeyUp(Integer& KeyCode, Integer& Shift) = 0;
    virtual void dbComb_MouseDown(Integer& Button, Integer& Shift, Single& x, Single& y) = 0;
    virtual void dbComb_MouseMove(Integer& Button, Integer& Shift, Single& x, Single& y) = 0;
    virtual void dbComb_MouseUp(Integer& Button, Integer& Shift, Single& x, Single& y) = 0;
    virtual void dbComb_Change() = 0;
    virtual void txtDbComb_Change() = 0;
    virtual void UserControl_Resize() = 0;
};

// Areas of a combo box click.
namespace ClickArea {
inline constexpr Integer Button = 0;
inline constexpr Integer EditPart = 1;
inline constexpr Integer List = 2;
} // namespace ClickArea

} // namespace veltra
