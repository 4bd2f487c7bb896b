// How long barsmith.exe takes to start, against a bare window of the same size
// started the same way under the same wineserver. Each start is timed from
// CreateProcess until the program waits for input (WaitForInputIdle) with a
// visible top-level window; the two programs take turns, so that a busy
// machine slows both alike. Run from the folder of barsmith.exe:
//   wine64 start_bench.exe [pairs]
// Every window operation under Wine is a round trip to the wineserver, and a
// program with many controls makes several hundred more of them than a bare
// window. On a virtual machine where waking a process on another CPU is slow,
// those round trips swamp the figures (four times the bare window and more);
// `taskset -c 0 xvfb-run ... wine64 start_bench.exe` keeps the program, the
// wineserver and the X server on one CPU and measures the program itself.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/shell.h"

#include "process_window.h"

namespace {

using barsmith::ExecutableFolder;
using barsmith::UniqueKernelHandle;
using Clock = std::chrono::steady_clock;

constexpr DWORD kPatienceMs = 20000;

struct Start {
    double milliseconds;
    RECT frame;
};

// Starts the program, waits until it is idle with its window shown, closes it
// again and waits for its end. Nothing when it did not get that far.
std::optional<Start> TimeStart(const std::wstring& program, const std::wstring& arguments) {
    const auto began = Clock::now();
    const std::optional<barsmith::bench::StartedProcess> started = barsmith::bench::StartShown(program, arguments);
    if (!started) return std::nullopt;
    const UniqueKernelHandle& process = started->process;

    const auto ended = [&process] { return WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; };
    // Idle, and again idle once a window shows. A program that has only just
    // started may not have a message queue to wait on yet: that is asked again.
    const auto idle = [&] {
        while (Clock::now() - began < std::chrono::milliseconds(kPatienceMs) && !ended()) {
            const DWORD waited = WaitForInputIdle(process.get(), kPatienceMs);
            if (waited == 0) return true;
            if (waited == WAIT_TIMEOUT) return false;
            Sleep(1);
        }
        return false;
    };
    HWND window = nullptr;
    while (!window && idle()) {
        window = barsmith::bench::VisibleWindowOf(started->id);
        if (!window) Sleep(1);
    }
    std::optional<Start> result;
    if (window && idle()) {
        result = Start{std::chrono::duration<double, std::milli>(Clock::now() - began).count(), {}};
        GetWindowRect(window, &result->frame);
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.get(), kPatienceMs) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
    if (!result) {
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        std::wprintf(L"%ls: no idle, visible window (exit code 0x%lx)\n", program.c_str(), code);
    }
    return result;
}

double Median(std::vector<double> runs) {
    std::sort(runs.begin(), runs.end());
    const size_t middle = runs.size() / 2;
    return runs.size() % 2 ? runs[middle] : (runs[middle - 1] + runs[middle]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int pairs = argc > 1 ? std::max(15, _wtoi(argv[1])) : 21;
    const std::wstring folder = ExecutableFolder();
    const std::wstring barsmith = folder + L"\\barsmith.exe";
    const std::wstring bare = folder + L"\\bench_bare_window.exe";

    // The first start warms the file cache and tells the window's size.
    const std::optional<Start> first = TimeStart(barsmith, L"");
    if (!first) {
        std::wprintf(L"barsmith.exe did not start with a visible window: %ls\n", barsmith.c_str());
        return 1;
    }
    const std::wstring size = std::to_wstring(first->frame.right - first->frame.left) + L" " +
                              std::to_wstring(first->frame.bottom - first->frame.top);
    if (!TimeStart(bare, size)) {
        std::wprintf(L"the bare window did not start: %ls\n", bare.c_str());
        return 1;
    }

    std::vector<double> program;
    std::vector<double> yardstick;
    std::vector<double> pairRatios;  // less swayed by a machine whose load changes during the run
    for (int pair = 0; pair < pairs; ++pair) {
        // Alternate which of the two goes first.
        const bool programFirst = pair % 2 == 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool isProgram = (turn == 0) == programFirst;
            const std::optional<Start> run = isProgram ? TimeStart(barsmith, L"") : TimeStart(bare, size);
            if (!run) {
                std::wprintf(L"a start failed in pair %d\n", pair + 1);
                return 1;
            }
            (isProgram ? program : yardstick).push_back(run->milliseconds);
        }
        pairRatios.push_back(program.back() / yardstick.back());
    }
    const double programMedian = Median(program);
    const double bareMedian = Median(yardstick);
    std::wprintf(L"%d pairs, window %ls px\n", pairs, size.c_str());
    std::wprintf(L"barsmith.exe  median %7.1f ms\n", programMedian);
    std::wprintf(L"bare window   median %7.1f ms\n", bareMedian);
    std::wprintf(L"ratio         %7.2f\n", programMedian / bareMedian);
    std::wprintf(L"median of the %d pairs' own ratios %.2f\n", pairs, Median(pairRatios));
    return 0;
}
