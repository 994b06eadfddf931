"""The Windows build under Wine, for each bitness: the scenario files played on the Win32
platform give the headless transcripts, veltra-demo.exe answers real keys typed on the X
server (a US layout, then a Brazilian one with its dead keys) and real clicks, and the
component server registers, is created by its ProgID from the script host, is embedded in a
form host of the tests' own and typed into there, and unregisters.

    wine_suite.py BUILD-WINDOWS-FOLDER SCENARIO-FOLDER WORK-FOLDER
"""

import glob
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "desktop"))
from harness import CheckFailed, Screen, layout, require, wait_until, xdotool  # noqa: E402

ARCHITECTURES = ("x86_64", "i686")
BELO_HORIZONTE = "1630"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def copy_files():
    return glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*", "AppData",
                                  "Local", "veltra", "copies", "*.db"))


def play_scenarios(build, scenarios, work, architecture):
    for copy in copy_files():
        os.remove(copy)
    files = sorted(glob.glob(os.path.join(scenarios, "*.scn")))
    result = subprocess.run(
        ["wine", os.path.join(build, "veltra-play.exe"), "--platform", "win32",
         *[windows_path(f) for f in files]],
        capture_output=True, text=True, timeout=900)
    transcript = os.path.join(work, f"scenarios-{architecture}.txt")
    with open(transcript, "w") as out:
        out.write(result.stdout + result.stderr)
    failures = [line for line in result.stdout.splitlines()
                if line.startswith("FAIL") or ": error:" in line]
    summary = re.search(r"^(\d+) passed, (\d+) failed$", result.stdout, re.M)
    require(result.returncode == 0 and summary and summary.group(2) == "0",
            f"scenarios on win32 ({architecture}) failed, transcript in {transcript}:\n" +
            "\n".join(failures[:20]))
    print(f"  {summary.group(1)} scenario files give the headless transcripts")
    # Their tables without the folded index were searched through copies in the user's
    # own folder, as on Linux, not by reading every row.
    copies = copy_files()
    require(copies, "no copy of a searched table was made in the user's copies folder")
    print(f"  {len(copies)} copies of searched tables in the user's copies folder")


class Demo:
    """veltra-demo.exe on the X server, its log read back."""

    STATE = re.compile(r'^(\w+): estado texto="(.*)" seleção=(\d+),(\d+) lista=(\w+)'
                       r'(?: (\d+),(\d+),(\d+),(\d+))?$')

    def __init__(self, build, work, name):
        self.log = os.path.join(work, name + ".log")
        if os.path.exists(self.log):
            os.remove(self.log)
        self.process = subprocess.Popen(
            ["wine", os.path.join(build, "veltra-demo.exe"), "--log", windows_path(self.log)],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        require(wait_until(lambda: self.place("Cidade") and self.place("Pessoa"), 60),
                "veltra-demo.exe did not show its form")
        window = subprocess.run(["xdotool", "search", "--name", "Veltra: cadastro"],
                                capture_output=True, text=True, timeout=30).stdout.split()
        require(window, "the form's window is not on the X server")
        # What a window manager does for a new window: it gets the keyboard.
        xdotool("windowfocus", "--sync", window[0])

    def close(self):
        self.process.terminate()
        self.process.wait(timeout=30)
        subprocess.run(["wineserver", "--kill"], timeout=60)

    def lines(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as log:
            return log.read().splitlines()

    def place(self, box):
        for line in self.lines():
            found = re.match(rf"^{box}: caixa (\d+),(\d+),(\d+),(\d+)$", line)
            if found:
                return tuple(int(v) for v in found.groups())
        return None

    def click(self, box):
        x, y, width, height = self.place(box)
        xdotool("mousemove", str(x + width // 2), str(y + height // 2), "click", "1")

    def state(self, box):
        """The box's last reported state: text, selection, and the open list's place."""
        for line in reversed(self.lines()):
            found = self.STATE.match(line)
            if found and found.group(1) == box:
                text, start, length = found.group(2), int(found.group(3)), int(found.group(4))
                place = tuple(int(v) for v in found.groups()[5:]) if found.group(6) else None
                return text, start, length, place
        return None

    def settles_on(self, box, condition, why, seconds=10):
        state = wait_until(lambda: (lambda s: s if s and condition(s) else None)(self.state(box)),
                           seconds)
        require(state, f"{why}; the last state was {self.state(box)}")
        return state


def list_is_drawn(place):
    """The open list's rows show on the screen: the rows' background, the current row's
    highlight and the text on them."""
    x, y, width, height = place
    pixels = Screen().pixels(x, y, width, height)
    colours = {pixel for row in pixels for pixel in row}
    return len(colours) >= 3


def types_on_a_us_keyboard(build, work, architecture):
    layout("us")
    demo = Demo(build, work, f"demo-us-{architecture}")
    try:
        demo.click("Cidade")
        xdotool("type", "--delay", "120", "belo h")
        text, start, length, place = demo.settles_on(
            "Cidade", lambda s: s[0] == "Belo Horizonte" and s[1:3] == (6, 8),
            '"belo h" did not complete to Belo Horizonte with "orizonte" selected')
        require(f'Cidade: CodigoAssociado Numero="{BELO_HORIZONTE}"' in demo.lines(),
                "the key of Belo Horizonte did not reach the program")
        # The demo writes what a screen reader reads right after the state it reported.
        heard = ('Cidade: acessível nome="Cidade" valor="Belo Horizonte" linhas=1 '
                 'primeira="Belo Horizonte, MG"')
        require(wait_until(lambda: heard in demo.lines(), 5),
                "a screen reader does not read the box as the label, the text and its row")
        require(place, "the list was not open after typing")
        require(list_is_drawn(place), f"the list's rows are not drawn at {place}")
        print('  "belo h" completes to Belo Horizonte, "orizonte" selected, key shown, list drawn,'
              " read by a screen reader")
        # A click into the other box gives it the focus: the keys go there. While the list
        # is open, a click elsewhere only closes it, as on Windows: Esc closes it first.
        xdotool("key", "Escape")
        demo.click("Pessoa")
        xdotool("type", "--delay", "120", "ana")
        demo.settles_on("Pessoa", lambda s: s[0].startswith("Ana"),
                        "typing after a click into the second box did not reach it")
        print("  a click gives the second box the focus")
    finally:
        demo.close()


def types_through_dead_keys(build, work, architecture):
    layout("br")
    demo = Demo(build, work, f"demo-br-{architecture}")
    try:
        demo.click("Cidade")
        xdotool("key", "--delay", "150", "b", "e", "l", "dead_acute", "e")
        demo.settles_on("Cidade", lambda s: s[0] == "Belém" and s[1:3] == (4, 1),
                        'b e l ´ e on a Brazilian keyboard did not complete to "Belém"')
        xdotool("key", "--delay", "100", *["BackSpace"] * 6)
        xdotool("key", "--delay", "150", "s", "dead_tilde", "a", "o", "space", "p")
        demo.settles_on("Cidade", lambda s: s[0].startswith("São P") and s[1] == 5,
                        's ~ a o space p on a Brazilian keyboard did not complete to "São P..."')
        print("  dead keys on a Brazilian keyboard type é and ã into the search")
    finally:
        demo.close()
        layout("us")


# Each bitness's own registration program and script host (Wine's 64-bit script host is
# started from where Wine keeps it: the prefix's copy starts as 32-bit).
SERVER_TOOLS = {
    "x86_64": ("regsvr32", "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/cscript.exe"),
    "i686": ("C:\\windows\\syswow64\\regsvr32.exe", "C:\\windows\\syswow64\\cscript.exe"),
}
BAG_KEYS = ("ForeColor Enabled Font Locked Text sAutoEnterTab sAutoEnterClick sTirarAcento "
            "sSempreMaiusculas sApenasLetras sLetraCapital BoundColumn Connect DatabaseName "
            "ListField sMaxLength DataFields NomeTabela ToolTipText2 sNuncaVazio yValorAuxiliar "
            "yCampoAuxiliar yTabelaAuxiliar")


def script(architecture, name, *arguments):
    here = os.path.dirname(os.path.abspath(__file__))
    result = subprocess.run(
        ["wine", SERVER_TOOLS[architecture][1], "//nologo",
         windows_path(os.path.join(here, name)), *arguments],
        capture_output=True, timeout=120)
    return result.stdout.decode("cp1252", "replace").replace("\r", "").splitlines()


def register(build, architecture, undo=False):
    result = subprocess.run(["wine", SERVER_TOOLS[architecture][0], *(["/u"] if undo else []),
                             "/s", windows_path(os.path.join(build, "veltra.dll"))],
                            capture_output=True, timeout=120)
    require(result.returncode == 0,
            f"regsvr32 {'/u ' if undo else ''}veltra.dll ({architecture}) exited {result.returncode}")


def component_server(build, work, architecture):
    register(build, architecture)
    database = windows_path(os.path.join(build, "veltra-sample.db"))
    lines = script(architecture, "script-host.js", database)
    for expected in ("ListField=Nome", "NomeTabela=Cidades",
                     "sSempreMaiusculas=true sLetraCapital=false", "Capital=Maria da Silva",
                     "primeiro codigo=883", "seguinte=Abadia dos Dourados", "EstarComFoco=false"):
        require(expected in lines, f"the script host did not print {expected!r}: {lines}")
    print("  registered; created by its ProgID from the script host, properties and methods "
          "by name")
    host_log = os.path.join(work, f"com-host-{architecture}.log")
    if os.path.exists(host_log):
        os.remove(host_log)
    host = subprocess.Popen(["wine", os.path.join(build, "veltra-com-host.exe"), "--log",
                             windows_path(host_log), "--database", database],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def logged():
        if not os.path.exists(host_log):
            return []
        with open(host_log, encoding="utf-8") as log:
            return log.read().splitlines()

    try:
        box = wait_until(lambda: next((line for line in logged() if line.startswith("caixa ")),
                                      None), 60)
        require(box, f"the form host did not embed the control: {logged()}")
        lines = logged()
        # NomeTabela's Let (member id 0x68030007) tells the form to save again.
        for expected in ("ListField por id: Nome", "mudou 1745027079",
                         "DadosAvançar por nome: 1610809374",
                         "na biblioteca de tipos: DadosAvançar", "bolsa: " + BAG_KEYS):
            require(expected in lines, f"the form host did not log {expected!r}: {lines}")
        for medium in ("bolsa", "fluxo"):
            require(any(line.startswith(medium + " ok:") and line.endswith("|True")
                        for line in lines),
                    f"the {medium} round trip lost the configuration: {lines}")
        window = subprocess.run(["xdotool", "search", "--name", "Veltra: hospedeiro"],
                                capture_output=True, text=True, timeout=30).stdout.split()
        xdotool("windowfocus", "--sync", window[0])
        x, y, width, height = (int(v) for v in box.split()[1].split(","))
        xdotool("mousemove", str(x + 20), str(y + height // 2), "click", "1")
        xdotool("type", "--delay", "150", "belo q")
        done = wait_until(lambda: 'estado texto="Belo Horizonte" seleção=6,8' in logged(), 10)
        require(done, f"\"belo q\" (q made h by the host) did not complete: {logged()[-8:]}")
        lines = logged()
        require("KeyPress mudado para 104" in lines and
                lines.index("KeyPress KeyAscii=113") < lines.index("KeyPress mudado para 104"),
                "the host did not hear KeyPress before the control acted")
        require(f'CodigoAssociado Numero="{BELO_HORIZONTE}"' in lines,
                "CodigoAssociado did not carry Belo Horizonte's key")
        print("  embedded in a form host: bound by id and by name, events and property-changed "
              "notifications through connection points, KeyAscii changed by reference, bag and "
              "stream round trips")
    finally:
        host.terminate()
        host.wait(timeout=30)
        subprocess.run(["wineserver", "--kill"], timeout=60)
    register(build, architecture, undo=True)
    require(script(architecture, "not-registered.js") == ["nao registrado"],
            "the ProgID still creates the control after unregistering")
    print("  unregistered")


def main():
    builds, scenarios, work = sys.argv[1:4]
    failed = False
    for architecture in ARCHITECTURES:
        build = os.path.join(builds, architecture)
        print(f"wine suite: {architecture}")
        for check in (play_scenarios, types_on_a_us_keyboard, types_through_dead_keys,
                      component_server):
            try:
                if check is play_scenarios:
                    check(build, scenarios, work, architecture)
                else:
                    check(build, work, architecture)
            except CheckFailed as failure:
                failed = True
                print(f"FAIL {check.__name__} ({architecture}): {failure}")
    print("wine suite: " + ("FAILED" if failed else "passed"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
