// The Win32 box's keystroke, to stand beside the Qt widget's (veltra-bench-keystroke's
// ours_qt): a VeltraWindow on a form over the same generated tables, the same prefixes typed
// letter by letter, each key the messages the keyboard sends (key down, character, key up)
// through the program's message loop, timed to the completed, selected text with the open
// list painted and its first 10 rows read. Built in the Windows build.
//
//   veltra-bench-keystroke.exe [--rows N]...   (default: 10000 100000 1000000)
#include "PeopleTable.h"
#include "Win32ComboBox.h"
#include "WindowAccess.h"
#include "veltra/Text.h"
#include "veltra/win32/VeltraWindow.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

namespace {

using namespace veltra;
using Clock = std::chrono::steady_clock;

HWND createForm() {
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = DefWindowProcW;
    form.hInstance = GetModuleHandleW(nullptr);
    form.lpszClassName = L"VeltraBenchForm";
    RegisterClassExW(&form);
    return CreateWindowExW(WS_EX_CONTROLPARENT, L"VeltraBenchForm", L"veltra-bench",
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// Everything waiting, painting included, as the program's loop handles it.
void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

struct Measurement {
    std::vector<double> keystrokes; // microseconds
    double setupMs = 0;
};

Measurement measure(const std::string& file) {
    Measurement m;
    const HWND form = createForm();
    VeltraEvents events;
    const auto setupStart = Clock::now();
    win32::VeltraWindow window(form, {10, 10}, events);
    auto& control = window.control();
    control.x1_DatabaseName(fromUtf8(file));
    control.x2_NomeTabela(u"Pessoas");
    control.x3_ListField(u"Nome");
    control.x4_BoundColumn(u"Id");
    control.Text(u"");
    auto& box = win32::WindowAccess::box(window);
    SetForegroundWindow(form);
    SetFocus(box.edit());
    pump();
    m.setupMs = std::chrono::duration<double, std::milli>(Clock::now() - setupStart).count();
    wchar_t row[512];
    for (const auto& prefix : bench::kTypedPrefixes) {
        SendMessageW(box.edit(), WM_KEYDOWN, VK_HOME, 1);
        pump();
        for (const char c : prefix) {
            const auto start = Clock::now();
            const SHORT key = VkKeyScanW(static_cast<wchar_t>(c));
            PostMessageW(box.edit(), WM_KEYDOWN, LOBYTE(key), 1);
            PostMessageW(box.edit(), WM_CHAR, static_cast<WPARAM>(c), 1);
            PostMessageW(box.edit(), WM_KEYUP, LOBYTE(key), static_cast<LPARAM>(0xC0000001));
            pump();
            UpdateWindow(box.listBox());
            for (int i = 0; i < 10 && i < static_cast<int>(box.rowsInList()); ++i)
                SendMessageW(box.listBox(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(row));
            m.keystrokes.push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        control.Text(u"");
        pump();
    }
    DestroyWindow(form);
    return m;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::size_t> sizes;
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::strcmp(argv[i], "--rows") == 0)
            sizes.push_back(std::stoul(argv[i + 1]));
    if (sizes.empty())
        sizes = {10000, 100000, 1000000};
    std::printf("| rows | case | p50 (us) | p99 (us) | set-up (ms) | peak (MB) |\n"
                "|---|---|---|---|---|---|\n");
    for (const std::size_t rows : sizes) {
        bench::PeopleTable table(rows);
        const std::string indexed = table.indexedFile();
        const Measurement m = measure(indexed);
        std::printf("| %zu | ours_win32 | %.1f | %.1f | %.1f | %.1f |\n", rows,
                    bench::percentile(m.keystrokes, 0.5), bench::percentile(m.keystrokes, 0.99),
                    m.setupMs, bench::peakMegabytes());
        std::fflush(stdout);
    }
    return 0;
}
