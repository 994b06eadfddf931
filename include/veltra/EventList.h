// Every event of the control, once, in event-number order. Each user of the list (the
// control's event interface, the headless transcript, the Qt widget's signals, the runner)
// defines a macro X and expands VELTRA_EVENTS(X), as with the property list.
//
//   X(Name, Number, Parameters, Arguments)
//
// Number       the event number, the member id on the event interface.
// Parameters   the event's parameters, each by reference: a handler may change it and the
//              control goes on with the changed value.
// Arguments    the parameters' names, in order.
#pragma once

// clang-format off
#define VELTRA_EVENTS(X) \
    X(CodigoAssociado, 1, (String& Numero), (Numero)) \
    X(Change, 2, (), ()) \
    X(Click, 3, (), ()) \
    X(DblClick, 4, (Integer& Area), (Area)) \
    X(KeyDown, 5, (Integer& KeyCode, Integer& Shift), (KeyCode, Shift)) \
    X(KeyPress, 6, (Integer& KeyAscii), (KeyAscii)) \
    X(KeyUp, 7, (Integer& KeyCode, Integer& Shift), (KeyCode, Shift)) \
    X(MouseMove, 8, (Integer& Button, Integer& Shift, Single& x, Single& y), (Button, Shift, x, y)) \
    X(MouseUp, 9, (Integer& Button, Integer& Shift, Single& x, Single& y), (Button, Shift, x, y)) \
    X(MouseDown, 10, (Integer& Button, Integer& Shift, Single& x, Single& y), (Button, Shift, x, y))
// clang-format on

// An event's arguments after others, with the comma between them when there are any:
// f(first VELTRA_AFTER(Arguments)).
#define VELTRA_EVENT_ARGUMENTS(...) __VA_OPT__(, ) __VA_ARGS__
#define VELTRA_AFTER(Arguments) VELTRA_EVENT_ARGUMENTS Arguments
