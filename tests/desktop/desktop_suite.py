#!/usr/bin/python3
"""The focus of this suite is veltra-demo used as a person uses it: a real X server, real
pointer and key events (xdotool) on real keyboard layouts with dead keys (setxkbmap), the
widgets read back through the accessibility bus (AT-SPI) and, for what only pixels show
(the focus colour, a drawn list), the screen itself.

Run by run-desktop-suite.sh inside its own Xvfb and D-Bus session. Each check starts a
fresh demo, prints "ok - NAME" or "not ok - NAME: WHY", and the suite exits 1 when any
check failed."""

import argparse
import os
import sys
import time
import traceback

import pyatspi

FOCUS_COLOUR = (255, 255, 192)


from harness import CheckFailed, Demo, Events, FOCUS_COLOUR, Screen, extents, find, has_state, keys, layout, require, wait_until, xdotool


# The Portuguese letters typed with dead keys: (keys, letter).
ACCENTED = [
    (["dead_acute", "a"], "á"), (["dead_acute", "e"], "é"), (["dead_acute", "i"], "í"),
    (["dead_acute", "o"], "ó"), (["dead_acute", "u"], "ú"), (["dead_acute", "A"], "Á"),
    (["dead_acute", "E"], "É"), (["dead_acute", "I"], "Í"), (["dead_acute", "O"], "Ó"),
    (["dead_acute", "U"], "Ú"), (["dead_circumflex", "a"], "â"),
    (["dead_circumflex", "e"], "ê"), (["dead_circumflex", "o"], "ô"),
    (["dead_circumflex", "A"], "Â"), (["dead_circumflex", "E"], "Ê"),
    (["dead_circumflex", "O"], "Ô"), (["dead_tilde", "a"], "ã"), (["dead_tilde", "o"], "õ"),
    (["dead_tilde", "A"], "Ã"), (["dead_tilde", "O"], "Õ"), (["dead_grave", "a"], "à"),
    (["dead_grave", "A"], "À"), (["dead_diaeresis", "u"], "ü"), (["dead_diaeresis", "U"], "Ü"),
]
# What accent removal makes of them.
PLAIN = {"á": "a", "é": "e", "í": "i", "ó": "o", "ú": "u", "â": "a", "ê": "e", "ô": "o",
         "ã": "a", "õ": "o", "à": "a", "ü": "u"}


def plain(letter):
    base = PLAIN.get(letter.lower(), letter.lower())
    return base.upper() if letter.isupper() else base


def key_presses(lines):
    return [int(line.split("=")[1]) for line in lines if "KeyPress KeyAscii=" in line]


def type_accented(demo, removal):
    """Every accented letter of Portuguese through dead keys, in result-only mode so that
    the text is what was typed; the host hears each letter's own code."""
    demo.switch_on("sListaSoResultado")
    if removal:
        demo.switch_on("sTirarAcento")
    demo.focus_box("Cidade")
    before = len(demo.log())
    for sequence, _ in ACCENTED:
        keys(*sequence)
    letters = "".join(letter for _, letter in ACCENTED)
    expected = "".join(plain(letter) for letter in letters) if removal else letters
    require(wait_until(lambda: demo.text("Cidade") == expected),
            "text %r, expected %r" % (demo.text("Cidade"), expected))
    heard = key_presses(demo.new_log_lines(before))
    codes = [ord(letter) for letter in letters]
    require(heard == codes, "the host heard KeyPress %s, expected %s" % (heard, codes))


def check_accents_plain(demo):
    type_accented(demo, removal=False)


def check_accents_removed(demo):
    type_accented(demo, removal=True)


def check_refused_through_dead_keys(demo):
    """Dead acute twice gives the acute accent, dead acute and space the apostrophe: both
    are refused characters and never reach the text."""
    demo.switch_on("sListaSoResultado")
    demo.focus_box("Cidade")
    before = len(demo.log())
    keys("a", "dead_acute", "dead_acute", "dead_acute", "space", "b")
    require(wait_until(lambda: demo.text("Cidade") == "ab"),
            "text %r, expected 'ab'" % demo.text("Cidade"))
    heard = key_presses(demo.new_log_lines(before))
    require(heard == [97, 180, 39, 98], "the host heard KeyPress %s" % heard)


def check_search_of_a_composed_letter(demo):
    """S, dead tilde, a, o with accent removal: the host hears 227, the search is 'Sao'."""
    demo.switch_on("sTirarAcento")
    demo.focus_box("Cidade")
    before = len(demo.log())
    keys("S", "dead_tilde", "a", "o")
    statement = "like 'Sao*'"
    lines = wait_until(lambda: [l for l in demo.new_log_lines(before) if statement in l])
    require(lines, "no search for 'Sao*' in %s" % demo.new_log_lines(before))
    require(227 in key_presses(demo.new_log_lines(before)), "the host never heard 227")
    require(demo.text("Cidade").startswith("São"),
            "the completion %r does not begin with São" % demo.text("Cidade"))


def focus_colour_in(screen, accessible):
    x, y, width, height = extents(accessible)
    rows = screen.pixels(x, y, width, height)
    return sum(pixel == FOCUS_COLOUR for row in rows for pixel in row) > width * height // 4


def check_click_focuses_either_box(demo, screen):
    for label, other in (("Cidade", "Pessoa"), ("Pessoa", "Cidade")):
        demo.click(demo.box(label), dx=40)
        require(wait_until(lambda: demo.focused(label)), "a click did not focus " + label)
        require(not demo.focused(other), other + " kept the focus")
        require(wait_until(lambda: focus_colour_in(screen, demo.box(label))),
                label + " does not show the focus colour")
        require(not focus_colour_in(screen, demo.box(other)),
                other + " still shows the focus colour")


def check_list_is_drawn(demo, screen, shots):
    demo.focus_box("Cidade")
    keys("b", "e", "l")
    window = wait_until(demo.list_window)
    require(window is not None, "no list after typing 'bel'")
    require(wait_until(lambda: demo.text("Cidade") == "Bela Cruz"),
            "text %r after 'bel'" % demo.text("Cidade"))
    x, y, width, height = extents(window)
    box_x, box_y, box_width, box_height = extents(demo.box("Cidade"))
    require(abs(y - (box_y + box_height)) <= 2 and x == box_x,
            "the list is not under the box")
    time.sleep(0.3)
    rows = screen.pixels(x, y, width, height)
    pixels = [pixel for row in rows for pixel in row]
    black = sum(pixel == (0, 0, 0) for pixel in pixels)
    light = sum(min(pixel) > 200 for pixel in pixels)
    screen.save(os.path.join(shots, "list.png"))
    require(black < len(pixels) // 4, "the list is drawn black (%d of %d pixels)" %
            (black, len(pixels)))
    require(light > len(pixels) // 2, "the list has no light background")
    # Whole rows: no row crosses the top or the bottom edge of the list.
    for i in range(window.childCount):
        item = window.getChildAtIndex(i)
        if item is not None:
            _, item_y, _, item_height = extents(item)
            top, bottom = y + 1, y + height - 1
            require(not (item_y < top < item_y + item_height) and
                    not (item_y < bottom < item_y + item_height),
                    "row %d is cut by the list's edge" % i)


def check_enter_moves_on(demo):
    demo.switch_on("sAutoEnterTab")
    demo.focus_box("Cidade")
    keys("n", "a", "t", "a", "l", "Return")
    require(wait_until(lambda: demo.focused("Pessoa")), "Enter did not move to the next box")
    require(demo.text("Cidade") == "Natal", "text %r" % demo.text("Cidade"))


def check_click_on_a_row(demo):
    demo.focus_box("Cidade")
    before = len(demo.log())
    keys("r", "e", "c", "i", "f")
    window = wait_until(demo.list_window)
    require(window is not None, "no list after typing 'recif'")
    first = wait_until(lambda: window.getChildAtIndex(0))
    # A row is read with the town's state, which the demo's city box shows after the name.
    require(first is not None and first.name == "Recife, PE", "the first row is not Recife, PE")
    demo.click(first)
    require(wait_until(lambda: demo.list_window() is None), "the list stayed open")
    lines = demo.new_log_lines(before)
    require(demo.text("Cidade") == "Recife", "text %r" % demo.text("Cidade"))
    require('Cidade: CodigoAssociado Numero="3315"' in lines and "Cidade: Click" in lines,
            "the host heard %s" % lines[-4:])


def check_backspace(demo):
    demo.focus_box("Cidade")
    keys("r", "e", "c", "i", "f", "e")
    require(wait_until(lambda: demo.text("Cidade") == "Recife"), "text %r" % demo.text("Cidade"))
    keys("BackSpace")
    require(wait_until(lambda: demo.text("Cidade") == "Recif"),
            "text %r after Backspace" % demo.text("Cidade"))


def check_escape_closes_the_list(demo):
    demo.focus_box("Cidade")
    keys("b", "e", "l")
    require(wait_until(demo.list_window) is not None, "no list after typing 'bel'")
    keys("Escape")
    require(wait_until(lambda: demo.list_window() is None), "Esc did not close the list")
    require(demo.focused("Cidade"), "Esc took the focus away")
    require(demo.text("Cidade") == "Bela Cruz", "text %r" % demo.text("Cidade"))


def combo(demo, label):
    return find(demo.box(label), lambda n: n.getRoleName() == "combo box")


def current_rows(window):
    """The list rows that are selected and focused for assistive technology."""
    rows = [window.getChildAtIndex(i) for i in range(window.childCount)]
    return [row.name for row in rows if row is not None and
            has_state(row, pyatspi.STATE_SELECTED) and has_state(row, pyatspi.STATE_FOCUSED)]


def spoken(events, since=0):
    """The texts of the notifications shown, which Orca speaks, pumping the bus first."""
    events.pump(0.05)
    return [name for kind, role, name, _, shown in events.heard[since:]
            if kind == "object:state-changed:showing" and role == "notification" and shown == "1"]


def check_screen_reader_reads_the_search(demo):
    """What Orca reads while a city is typed: the box by its label, its text and its
    completion as text events, the number of results, and the current row of the list as
    the focused row while the keyboard focus stays in the edit part."""
    events = Events()
    try:
        box = combo(demo, "Cidade")
        require(box.name == "Cidade", "the box is named %r, not by its label" % box.name)
        demo.focus_box("Cidade")
        # Key by key: the completed text, the count of results, as many list items as
        # counted (Orca says "List with 28 items"), the current row.
        # The current row is read with its state, as the list shows it after the name.
        for key, text, count, items, state in (
                ("b", "Babaçulândia", "mais de 100 resultados", 100, "TO"),
                ("e", "Bebedouro", "54 resultados", 54, "SP"),
                ("l", "Bela Cruz", "28 resultados", 28, "CE"),
                ("o", "Belo Campo", "6 resultados", 6, "BA"),
                ("space", "Belo Campo", "6 resultados", 6, "BA"),
                ("h", "Belo Horizonte", "1 resultado", 1, "MG")):
            keys(key)
            require(wait_until(lambda: demo.text("Cidade") == text and
                               box.description == count),
                    "after %s: text %r, description %r; expected %r, %r" %
                    (key, demo.text("Cidade"), box.description, text, count))
            window = wait_until(demo.list_window)
            require(window is not None and window.parent.name == "Cidade",
                    "the open list is not the box's child")
            require(window.childCount == items,
                    "after %s the list has %d items" % (key, window.childCount))
            row = text + ", " + state
            require(wait_until(lambda: current_rows(window) == [row]),
                    "after %s the current row is %s, not %r" % (key, current_rows(window), row))
            require(demo.focused("Cidade"), "the keyboard focus left the edit part")
        events.pump()
        heard = events.heard
        inserted = "".join(t for kind, _, _, parent, t in heard
                           if kind == "object:text-changed:insert" and parent == "combo box")
        require("orizonte" in inserted, "the completion was never inserted: %r" % inserted)
        require(any(kind == "object:text-selection-changed" for kind, *_ in heard),
                "no selection change was announced")
        require(("focus:", "list item", "Belo Horizonte, MG", "list", "") in heard,
                "the current row was never announced as focused")
        require(any(kind == "object:property-change:accessible-description" and
                    role == "combo box" for kind, role, *_ in heard),
                "the result count was never described")
        require(wait_until(lambda: spoken(events)[-1:] == ["1 resultado"]),
                "the count heard last is %s, not 1 resultado" % spoken(events)[-1:])
        # No row matches: the count says so and the focus goes back to the edit part.
        before = len(events.heard)
        keys("x")
        require(wait_until(lambda: box.description == "nenhum resultado"),
                "description %r after a text no row matches" % box.description)
        require(wait_until(lambda: spoken(events, before) == ["nenhum resultado"]),
                "after x the counts heard are %s" % spoken(events, before))
        events.pump(0.6)
        require(("focus:", "text", "", "combo box", "") in events.heard[before:],
                "the focus did not go back to the edit part: %s" % events.heard[before:])
        require(spoken(events, before) == ["nenhum resultado"],
                "one search was counted aloud as %s" % spoken(events, before))
        # Typed fast, a word is counted once, after its last key.
        before = len(events.heard)
        xdotool("key", "--delay", "40", "BackSpace", "o", "r")
        require(wait_until(lambda: len(spoken(events, before)) > 0),
                "nothing was counted aloud after a word typed fast")
        events.pump(0.6)
        require(len(spoken(events, before)) == 1,
                "a word typed fast was counted aloud as %s" % spoken(events, before))
    finally:
        events.close()


LAYOUTS = [("br", ""), ("us", "intl")]


def checks(shots):
    screen = Screen()
    yield "click focuses either box", lambda demo: check_click_focuses_either_box(demo, screen)
    yield "the list is drawn under the box", lambda demo: check_list_is_drawn(demo, screen, shots)
    for name, variant in LAYOUTS:
        where = " (%s)" % " ".join(filter(None, [name, variant]))
        for title, check in (
                ("accented letters through dead keys", check_accents_plain),
                ("accented letters with accent removal", check_accents_removed),
                ("refused characters through dead keys", check_refused_through_dead_keys),
                ("a composed letter searched as typed", check_search_of_a_composed_letter)):
            yield title + where, lambda demo, check=check, name=name, variant=variant: (
                layout(name, variant), check(demo))
    yield "Enter with sAutoEnterTab moves on", check_enter_moves_on
    yield "a click on a list row chooses it", check_click_on_a_row
    yield "Backspace deletes", check_backspace
    yield "Esc closes the list", check_escape_closes_the_list
    yield "a screen reader reads the search", check_screen_reader_reads_the_search


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("demo")
    parser.add_argument("shots")
    arguments = parser.parse_args()
    os.makedirs(arguments.shots, exist_ok=True)
    failed = 0
    only = os.environ.get("VELTRA_DESKTOP_CHECK", "")
    for name, check in checks(arguments.shots):
        if only not in name:
            continue
        layout("br")
        demo = None
        try:
            demo = Demo(arguments.demo)
            check(demo)
            print("ok - " + name, flush=True)
        except CheckFailed as failure:
            failed += 1
            print("not ok - %s: %s" % (name, failure), flush=True)
            Screen().save(os.path.join(arguments.shots, name.replace(" ", "-") + ".png"))
        except Exception:
            failed += 1
            print("not ok - %s: %s" % (name, traceback.format_exc().strip().splitlines()[-1]),
                  flush=True)
        finally:
            if demo is not None:
                demo.close()
    print("%d failed" % failed if failed else "all passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
