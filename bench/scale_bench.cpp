// Barsmith with thousands of machine-wide buttons: how the command line and the
// My Buttons view grow with their number. bench/scale.sh runs it in a throwaway
// Wine prefix that it makes and marks; by hand, in that prefix only, from the
// folder of barsmith.exe:
//   wine64 scale_bench.exe fill N                 makes buttons until My Buttons lists N
//   wine64 scale_bench.exe time N FIGURES NAME    runs one command, or the window, at N
//                                                 buttons and adds its times to FIGURES
//   wine64 scale_bench.exe report FIGURES         the medians at the smallest and largest N
// NAME is start (barsmith.exe /?), list, list-all, reg-query, export,
// export-gpp, export-msi, check or window. Each button is written as Barsmith writes a machine-wide one:
// its key in both registry views, with every value, and its My Buttons entry.
// The commands' output and the exported file are kept in the prefix's
// temporary folder.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "storage/button_keys.h"
#include "model/guid.h"
#include "storage/my_buttons_catalogue.h"
#include "mainwindow/main_window.h"
#include "platform/status_text.h"
#include "process_window.h"
#include "platform/handles.h"
#include "platform/shell.h"

namespace {

using namespace barsmith;
using Clock = std::chrono::steady_clock;

constexpr DWORD kPatienceMs = 120000;
constexpr int kUsageExit = 2;

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> runs) {
    std::sort(runs.begin(), runs.end());
    const size_t middle = runs.size() / 2;
    return runs.size() % 2 ? runs[middle] : (runs[middle - 1] + runs[middle]) / 2;
}

// --- fill -------------------------------------------------------------------

ButtonDefinition BenchButton(int number) {
    wchar_t text[32];
    std::swprintf(text, 32, L"Bench button %05d", number);
    ButtonDefinition button;
    button.guid = CreateGUID();
    button.exec = L"C:\\Program Files\\Bench Tools\\tool.exe";
    button.icon = L"C:\\Program Files\\Bench Tools\\tool.ico";
    button.hotIcon = L"C:\\Program Files\\Bench Tools\\tool-hot.ico";
    button.buttonText = text;
    button.menuText = std::wstring(L"Start ") + text;
    button.menuStatusBar = std::wstring(L"Starts the tool of ") + text;
    button.toolTip = text;
    return button;
}

// The button's keys in the places of its hive, then its catalogue entry.
LSTATUS WriteButton(const ButtonKeys& keys, const MyButtonsCatalogue& catalogue, const ButtonDefinition& button) {
    std::vector<KeyUndo> undo;
    if (const auto failure = keys.Rewrite(button.guid, button.rootKey, KeyValuesOf(button), {}, undo))
        return failure->status;
    return catalogue.Record(button.buttonText, button.guid);
}

// bench/scale.sh marks the prefix it makes with a file; Wine's drive Z: is
// the root of the Unix file system.
bool InMarkedPrefix() {
    wchar_t prefix[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    std::wstring mark = L"Z:" + std::wstring(prefix, length) + L"/.barsmith-scale-bench";
    std::replace(mark.begin(), mark.end(), L'/', L'\\');
    return GetFileAttributesW(mark.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int Fill(int count) {
    // Thousands of buttons go only into a prefix made for them.
    if (!InMarkedPrefix()) {
        std::wprintf(L"WINEPREFIX is no prefix that bench/scale.sh made: no button was written.\n");
        return 1;
    }
    SystemRegistry api;
    const ButtonKeys keys(api);
    const MyButtonsCatalogue catalogue(api);
    const std::vector<std::wstring> texts = catalogue.ButtonTexts();
    const auto start = Clock::now();
    for (int number = static_cast<int>(texts.size()); number < count; ++number) {
        if (const LSTATUS status = WriteButton(keys, catalogue, BenchButton(number)); status != ERROR_SUCCESS) {
            std::wprintf(L"Button %d could not be written: %ls\n", number, StatusText(status).c_str());
            return 1;
        }
    }
    std::wprintf(L"%d buttons listed, %d of them written in %.1f s\n", count, count - static_cast<int>(texts.size()),
                 Since(start) / 1000);
    return 0;
}

// --- time: the commands -----------------------------------------------------

UniqueFile OutputFile(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    // Shared for writing too: the console host that Wine starts for reg.exe
    // may still hold the file from the run before.
    constexpr DWORD kShared = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    return UniqueFile(
        CreateFileW(path.c_str(), GENERIC_WRITE, kShared, &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

struct Run {
    double milliseconds = 0;
    DWORD exitCode = 0;
};

struct Command {
    const char* key;  // as the figures file names it
    std::wstring commandLine;
    bool reports;       // exit code 1 tells what it found (check), not a failure
    size_t lines;       // the lines its output must have; 0 for any
};

// The folder of the commands' output: <key>.out and <key>.err.
struct Scratch {
    std::wstring folder;
    std::wstring File(const char* key, const wchar_t* extension) const {
        return folder + L"\\" + std::wstring(key, key + strlen(key)) + extension;
    }
};

std::runtime_error Failure(const Command& command, const std::string& what) {
    const DWORD error = GetLastError();
    return std::runtime_error(std::string(command.key) + ": " + what + " (error " + std::to_string(error) + ")");
}

// Runs the command to its end, its standard output and error going to files
// of the scratch folder; throws when it could not be started or did not end
// in time.
Run RunCommand(const Command& command, const Scratch& scratch) {
    const UniqueFile outFile = OutputFile(scratch.File(command.key, L".out"));
    const UniqueFile errFile = OutputFile(scratch.File(command.key, L".err"));
    if (!outFile || !errFile) throw Failure(command, "its output files could not be made");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outFile.get();
    startup.hStdError = errFile.get();
    PROCESS_INFORMATION info{};
    const auto start = Clock::now();
    std::wstring commandLine = command.commandLine;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info))
        throw Failure(command, "it could not be started");
    const UniqueKernelHandle process(info.hProcess);
    const UniqueKernelHandle thread(info.hThread);
    if (WaitForSingleObject(process.get(), kPatienceMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        throw std::runtime_error(std::string(command.key) + ": it did not end in time");
    }
    Run run{Since(start)};
    GetExitCodeProcess(process.get(), &run.exitCode);
    return run;
}

size_t LinesOf(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return static_cast<size_t>(std::count(std::istreambuf_iterator<char>(file), {}, '\n'));
}

// The time of one run of the command. A run that fails or prints the wrong
// number of lines ends the benchmark: its time would measure something else.
std::optional<double> TimeCommand(const Command& command, const Scratch& scratch) {
    const Run done = RunCommand(command, scratch);
    if (done.exitCode != 0 && !(command.reports && done.exitCode == 1))
        throw std::runtime_error(std::string(command.key) + ": exit code " + std::to_string(done.exitCode));
    const size_t lines = LinesOf(scratch.File(command.key, L".out"));
    if (command.lines && lines != command.lines)
        throw std::runtime_error(std::string(command.key) + ": " + std::to_string(lines) + " lines, not " +
                                 std::to_string(command.lines));
    return done.milliseconds;
}

// --- time: the window -------------------------------------------------------

struct FoundControl {
    int id;
    HWND control;
};

BOOL CALLBACK FindControl(HWND control, LPARAM state) {
    auto* found = reinterpret_cast<FoundControl*>(state);
    if (GetDlgCtrlID(control) != found->id) return TRUE;
    found->control = control;
    return FALSE;
}

HWND ControlOf(HWND window, int id) {
    FoundControl found{id, nullptr};
    EnumChildWindows(window, FindControl, reinterpret_cast<LPARAM>(&found));
    return found.control;
}

// The longest wait for an answer to WM_NULL, sent every 20 ms from a thread of
// its own until stopped: how long the window's thread at most did not answer.
class Pinger {
public:
    explicit Pinger(HWND window)
        : thread_([this, window](std::stop_token stop) {
              while (!stop.stop_requested()) {
                  const auto sent = Clock::now();
                  DWORD_PTR result = 0;
                  const bool answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kPatienceMs, &result);
                  longest_ = std::max(longest_.load(), Since(sent));
                  lastSent_ = sent.time_since_epoch().count();
                  if (!answered) return;
                  Sleep(20);
              }
          }) {}
    double Stop() {
        thread_.request_stop();
        thread_.join();
        return longest_;
    }
    // The longest wait so far, and from now on a new count. A ping on its way
    // counts to what went before: this waits until one sent from now on is answered.
    double Restart() {
        const auto now = Clock::now().time_since_epoch().count();
        const auto start = Clock::now();
        while (lastSent_.load() < now && Since(start) < kPatienceMs) Sleep(2);
        return longest_.exchange(0);
    }

private:
    std::atomic<double> longest_{0};
    std::atomic<Clock::rep> lastSent_{0};  // when the last answered ping was sent
    std::jthread thread_;
};

struct WindowRun {
    double opened;      // from the start until the window waits for input
    double listed;      // from the click on "My Buttons" until the list holds every entry
    double unanswered;  // the longest time the window's thread did not answer, from its first showing
    double listing;     // the same from the click on "My Buttons" until the list holds every entry
    double sorted;      // the same from a click on the Kind column's heading until the list is drawn again
};

template <typename Condition>
bool Await(Condition condition, Clock::time_point start) {
    while (!condition()) {
        if (Since(start) > kPatienceMs) return false;
        Sleep(2);
    }
    return true;
}

LRESULT ItemCount(HWND window) {
    const HWND list = ControlOf(window, IDC_MyButtonsList);
    DWORD_PTR count = 0;
    if (!list || !SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, kPatienceMs, &count)) return -1;
    return static_cast<LRESULT>(count);
}

// The process's first visible window, or none when it shows none in time.
HWND AwaitVisibleWindow(DWORD processId, Clock::time_point start) {
    HWND shown = nullptr;
    Await([&] { return (shown = bench::VisibleWindowOf(processId)) != nullptr; }, start);
    return shown;
}

// A click on the heading of the list's second column (Kind), as the mouse makes it.
void ClickSecondHeading(HWND list) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(list, LVM_GETHEADER, 0, 0, SMTO_NORMAL, kPatienceMs, &answer);
    const auto header = reinterpret_cast<HWND>(answer);
    SendMessageTimeoutW(list, LVM_GETCOLUMNWIDTH, 0, 0, SMTO_NORMAL, kPatienceMs, &answer);
    const LPARAM at = MAKELPARAM(static_cast<int>(answer) + 8, 6);
    SendMessageTimeoutW(header, WM_LBUTTONDOWN, MK_LBUTTON, at, SMTO_NORMAL, kPatienceMs, &answer);
    SendMessageTimeoutW(header, WM_LBUTTONUP, 0, at, SMTO_NORMAL, kPatienceMs, &answer);
}

// Opens the window, switches it to My Buttons as a click on the button does,
// waits until the list holds every entry, and sorts it by a click on a heading.
std::optional<WindowRun> TimeWindow(const std::wstring& barsmith, size_t entries) {
    const auto start = Clock::now();
    const std::optional<bench::StartedProcess> started = bench::StartShown(barsmith, L"");
    if (!started) return std::nullopt;
    const UniqueKernelHandle& process = started->process;

    std::optional<WindowRun> result;
    if (const HWND window = AwaitVisibleWindow(started->id, start)) {
        Pinger pinger(window);
        WaitForInputIdle(process.get(), kPatienceMs);
        WindowRun run{Since(start), 0, 0, 0, 0};
        const HWND myButtons = ControlOf(window, IDC_SwitchView);
        const double starting = pinger.Restart();
        const auto clicked = Clock::now();
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_SwitchView, BN_CLICKED), reinterpret_cast<LPARAM>(myButtons));
        const bool listed =
            myButtons && Await([&] { return ItemCount(window) == static_cast<LRESULT>(entries); }, clicked);
        run.listed = Since(clicked);
        run.listing = pinger.Restart();
        run.unanswered = std::max(starting, run.listing);
        if (listed) {
            ClickSecondHeading(ControlOf(window, IDC_MyButtonsList));
            Sleep(500);  // the list drawn again, and the pings meanwhile answered
        }
        run.sorted = pinger.Stop();
        if (listed) result = run;
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.get(), kPatienceMs) != WAIT_OBJECT_0) TerminateProcess(process.get(), 1);
    return result;
}

// --- time -------------------------------------------------------------------

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length);
}

Scratch ScratchFolder() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    Scratch scratch{std::wstring(temp, length) + L"barsmith-scale-bench"};
    CreateDirectoryW(scratch.folder.c_str(), nullptr);
    return scratch;
}

// Printed as it comes, and kept for the report.
void Record(std::ofstream& figures, int count, const char* key, double milliseconds) {
    std::wprintf(L"%6d  %-18hs %8.0f ms\n", count, key, milliseconds);
    figures << count << ' ' << key << ' ' << milliseconds << '\n';
}

std::vector<Command> Commands(int count, const std::wstring& barsmith, const Scratch& scratch) {
    const std::wstring program = L"\"" + barsmith + L"\" ";
    const auto entries = static_cast<size_t>(count);
    return {
        {"start", program + L"/?", false, 0},
        {"list", program + L"list", false, entries},
        {"list-all", program + L"list --all", false, entries},
        {"reg-query", L"\"" + SystemFolder() + L"\\reg.exe\" query \"HKLM\\" + kExtensionsPath + L"\" /s", false, 0},
        {"export", program + L"export \"" + scratch.folder + L"\\buttons.reg\"", false, 0},
        {"export-gpp", program + L"export \"" + scratch.folder + L"\\Registry.xml\"", false, 0},
        {"export-msi", program + L"export \"" + scratch.folder + L"\\buttons.msi\" --product Bench --version 1.0.0",
         false, 0},
        {"check", program + L"check", true, 0},
    };
}

bool TimeWindowOnce(int count, const std::wstring& barsmith, std::ofstream& figures) {
    const std::optional<WindowRun> run = TimeWindow(barsmith, static_cast<size_t>(count));
    if (!run) {
        std::wprintf(L"%d buttons: the window did not open or its list did not show %d entries\n", count, count);
        return false;
    }
    Record(figures, count, "window-opened", run->opened);
    Record(figures, count, "window-listed", run->listed);
    Record(figures, count, "window-total", run->opened + run->listed);
    Record(figures, count, "window-unanswered", run->unanswered);
    Record(figures, count, "window-list-unanswered", run->listing);
    Record(figures, count, "window-sort-unanswered", run->sorted);
    return true;
}

// One run of the command `key` (or of the window) at `count` buttons, added to
// the figures; a command the program does not know adds nothing.
int TimeOnce(int count, const std::wstring& figuresPath, const std::string& key) {
    const std::wstring barsmith = ExecutableFolder() + L"\\barsmith.exe";
    std::ofstream figures(std::filesystem::path(figuresPath), std::ios::app);
    if (key == "window") return TimeWindowOnce(count, barsmith, figures) && figures ? 0 : 1;
    const Scratch scratch = ScratchFolder();
    for (const Command& command : Commands(count, barsmith, scratch)) {
        if (command.key != key) continue;
        try {
            if (const std::optional<double> run = TimeCommand(command, scratch))
                Record(figures, count, command.key, *run);
        } catch (const std::runtime_error& failed) {
            std::wprintf(L"%d buttons, %hs\n", count, failed.what());
            return 1;
        }
        return figures ? 0 : 1;
    }
    std::wprintf(L"No command %hs to time\n", key.c_str());
    return kUsageExit;
}

// --- report -----------------------------------------------------------------

struct Row {
    const char* key;
    const wchar_t* label;
};

const Row kRows[] = {
    {"start", L"barsmith.exe /? (a command's start)"},
    {"list", L"list"},
    {"list-all", L"list --all"},
    {"reg-query", L"reg query /s, one view"},
    {"export", L"export FILE (all buttons)"},
    {"export-gpp", L"export Registry.xml (Group Policy)"},
    {"export-msi", L"export FILE.msi (installer package)"},
    {"check", L"check"},
    {"window-opened", L"window: opened"},
    {"window-listed", L"window: My Buttons until listed"},
    {"window-total", L"window: opened and listed"},
    {"window-unanswered", L"window: longest unanswered"},
    {"window-list-unanswered", L"window: longest unanswered, listing"},
    {"window-sort-unanswered", L"window: longest unanswered, sorting"},
};

// Every run of each figure, by number of buttons and figure.
using Runs = std::map<std::pair<int, std::string>, std::vector<double>>;

Runs ReadRuns(const std::wstring& path) {
    Runs runs;
    std::ifstream file{std::filesystem::path(path)};
    int count = 0;
    std::string key;
    double milliseconds = 0;
    while (file >> count >> key >> milliseconds) runs[{count, key}].push_back(milliseconds);
    return runs;
}

std::wstring Thousands(int n) {
    std::wstring digits = std::to_wstring(n);
    for (auto at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), L",");
    return digits;
}

struct Goal {
    std::wstring what;
    double value;  // 0 when not measured
    double limit;
};

int Report(const std::wstring& figuresPath) {
    const Runs runs = ReadRuns(figuresPath);
    if (runs.empty()) {
        std::wprintf(L"No figures in %ls\n", figuresPath.c_str());
        return 1;
    }
    const int small = runs.begin()->first.first;
    const int large = runs.rbegin()->first.first;
    // The median of the runs; 0 when there were none.
    const auto at = [&runs](int count, const char* key) {
        const auto found = runs.find({count, key});
        return found == runs.end() ? 0.0 : Median(found->second);
    };
    const auto growth = [&](const char* key) { return at(small, key) > 0 ? at(large, key) / at(small, key) : 0.0; };
    const auto ratio = [&](const char* a, const char* b) {
        return at(large, b) > 0 ? at(large, a) / at(large, b) : 0.0;
    };

    std::wprintf(L"\nMedians of %zu runs, in ms\n", runs.begin()->second.size());
    std::wprintf(L"%-38ls %10ls %10ls %8ls\n", L"", Thousands(small).c_str(), Thousands(large).c_str(), L"growth");
    for (const Row& row : kRows) {
        if (at(small, row.key) == 0 && at(large, row.key) == 0) {
            std::wprintf(L"%-38ls %21ls\n", row.label, L"not in this program");
            continue;
        }
        std::wprintf(L"%-38ls %10.0f %10.0f %7.1fx\n", row.label, at(small, row.key), at(large, row.key),
                     growth(row.key));
    }
    std::wprintf(L"\n");

    const std::vector<Goal> goals{
        {L"list grows", growth("list"), 12},
        {L"list --all grows", growth("list-all"), 12},
        {L"list --all / reg query at " + Thousands(large), ratio("list-all", "reg-query"), 0.5},
        {L"list --all / list at " + Thousands(large), ratio("list-all", "list"), 1.5},
        {L"export grows", growth("export"), 12},
        {L"export gpp / export reg at " + Thousands(large), ratio("export-gpp", "export"), 1},
        {L"export msi / export reg at " + Thousands(large), ratio("export-msi", "export"), 1},
        {L"window (opened and listed) grows", growth("window-total"), 12},
    };
    std::wprintf(L"%-38ls %10ls %10ls\n", L"goal", L"measured", L"at most");
    for (const Goal& goal : goals) {
        if (goal.value == 0) continue;
        std::wprintf(L"%-38ls %10.2f %10.2f   %ls\n", goal.what.c_str(), goal.value, goal.limit,
                     goal.value <= goal.limit ? L"met" : L"MISSED");
    }
    for (const auto& [key, what] : {std::pair{"window-list-unanswered", L"opening My Buttons"},
                                    std::pair{"window-sort-unanswered", L"sorting it"}}) {
        const double unanswered = at(large, key);
        std::wprintf(L"The window's thread did not answer for up to %.0f ms %ls at %ls buttons: %ls\n", unanswered,
                     what, Thousands(large).c_str(), unanswered > 100 ? L"over 100 ms, MISSED" : L"met");
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    const int count = argc > 2 ? _wtoi(argv[2]) : 0;
    if (mode == L"fill" && argc == 3 && count > 0) return Fill(count);
    if (mode == L"time" && argc == 5 && count > 0) {
        const std::wstring key = argv[4];
        return TimeOnce(count, argv[3], std::string(key.begin(), key.end()));
    }
    if (mode == L"report" && argc == 3) return Report(argv[2]);
    std::wprintf(L"Usage: scale_bench.exe fill N | time N FIGURES NAME | report FIGURES\n");
    return kUsageExit;
}
