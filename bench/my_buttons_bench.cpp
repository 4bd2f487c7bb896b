// How long the main window takes, with 10,000 catalogued buttons, to enter
// My Buttons mode, to sort it and to create one more button, and the longest
// the window's thread is busy on end meanwhile (a pause the user sees). It works on the real
// catalogue of the Wine prefix it runs in, so it refuses to start when that
// catalogue holds anything, and removes what it made when it ends:
//   WINEPREFIX=<scratch prefix> wine64 my_buttons_bench.exe [count]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "model/button_definition.h"
#include "storage/my_buttons_catalogue.h"
#include "mainwindow/main_window.h"
#include "platform/com.h"
#include "platform/form.h"

namespace {

using namespace barsmith;
using Clock = std::chrono::steady_clock;

// Any message box is a failure of the run: it is printed, never shown.
class PrintedMessages final : public MessageBoxSeam {
public:
    int Show(HWND, const std::wstring& text, const std::wstring& title, UINT) override {
        std::wprintf(L"unexpected message \"%ls\": %ls\n", title.c_str(), text.c_str());
        ++count;
        return IDNO;
    }
    int count = 0;
};

class NoFileDialog final : public FileDialogSeam {
public:
    bool ShowOpenDialog(OPENFILENAMEW&) override { return false; }
    bool ShowSaveDialog(OPENFILENAMEW&) override { return false; }
};

class NoShell final : public ShellSeam {
public:
    HINSTANCE Execute(HWND, const std::wstring&, const std::wstring&, const std::wstring&, int) override {
        return nullptr;
    }
    bool StartProgram(const std::wstring&, int) override { return false; }
    IconPick PickIcon(HWND, std::wstring&, int&) override { return IconPick::Unavailable; }
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Milliseconds that `work` takes, repaints included.
template <typename Work>
double Time(Work work) {
    const auto start = Clock::now();
    work();
    Pump();
    return Since(start);
}

struct Timed {
    double total;    // from the start of `work` until `done`
    double longest;  // the longest the thread was busy on end: `work` itself, or one message
};

// Runs `work`, then the window's messages one at a time until `done` holds,
// waiting between them as the message loop does.
template <typename Work, typename Done>
Timed TimeUntil(Work work, Done done) {
    const auto start = Clock::now();
    work();
    Timed timed{0, Since(start)};
    MSG msg;
    while (!done() && Since(start) < 60000) {
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            continue;
        }
        const auto begun = Clock::now();
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        timed.longest = std::max(timed.longest, Since(begun));
    }
    const auto begun = Clock::now();
    Pump();  // the repaints
    timed.longest = std::max(timed.longest, Since(begun));
    timed.total = Since(start);
    return timed;
}

struct Figures {
    double best;
    double median;
    double worst;
};

Figures Summarise(std::vector<double> runs) {
    std::sort(runs.begin(), runs.end());
    return {runs.front(), runs[runs.size() / 2], runs.back()};
}

void Print(const wchar_t* what, const Figures& f) {
    std::wprintf(L"%-44ls best %7.1f ms   median %7.1f ms   worst %7.1f ms\n", what, f.best, f.median, f.worst);
}

// The times until done, then the longest pauses of the window's thread.
void Print(const wchar_t* what, const std::vector<Timed>& runs) {
    std::vector<double> totals;
    std::vector<double> pauses;
    for (const Timed& run : runs) {
        totals.push_back(run.total);
        pauses.push_back(run.longest);
    }
    Print(what, Summarise(totals));
    Print(L"  longest pause of the window meanwhile", Summarise(pauses));
}

LRESULT ListCount(MainWindow& main) { return SendMessageW(main.Control(IDC_MyButtonsList), LVM_GETITEMCOUNT, 0, 0); }

void FillForm(MainWindow& main, int n) {
    main.SetText(IDC_ApplicationPath, L"C:\\Tools\\bench.exe");
    main.SetText(IDC_IconPath, L"C:\\Icons\\bench.ico");
    main.SetText(IDC_ButtonText, L"Bench extra " + std::to_wstring(n));
    main.SetText(IDC_MenuText, L"Bench menu");
    main.SetText(IDC_StatusBarText, L"Bench status");
    main.SetText(IDC_ToolTip, L"Bench tip");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int count = argc > 1 ? std::max(1, _wtoi(argv[1])) : 10000;
    constexpr int kRuns = 7;
    const ScopedCom com;
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    SystemRegistry registry;
    const MyButtonsCatalogue catalogue(registry);
    if (!catalogue.ButtonTexts().empty()) {
        std::wprintf(L"The catalogue of this Wine prefix is not empty; run the benchmark in a scratch prefix.\n");
        return 2;
    }

    const std::wstring catalogueKey = SectionPath(kCatalogueApplication, kCatalogueSection);
    std::vector<std::wstring> guids;
    const double fill = Time([&] {
        for (int i = 0; i < count; ++i) {
            wchar_t text[32];
            std::swprintf(text, 32, L"Button %05d", i);
            catalogue.Record(text, L"{00000000-0000-0000-0000-000000000000}");
        }
    });
    std::wprintf(L"%d catalogued buttons recorded in %.0f ms\n\n", count, fill);

    std::vector<double> read;
    for (int run = 0; run < kRuns; ++run) read.push_back(Time([&] { MyButtonsCatalogue(registry).ButtonTexts(); }));
    Print(L"Reading the whole catalogue afresh", Summarise(read));

    PrintedMessages messages;
    NoFileDialog dialogs;
    NoShell shell;
    SystemElevation elevation;
    FormRegistry forms;
    forms.onLastFormGone = [] {};
    int status = 0;
    {
        MainWindow main(forms, MainWindowServices{messages, dialogs, shell, registry, elevation});
        const double load = Time([&] {
            main.Load();
            main.Show(SW_SHOWNORMAL);
        });
        std::wprintf(L"%-44ls %7.1f ms (%ld items)\n", L"Opening the window (list read in My Buttons)", load,
                     static_cast<long>(ListCount(main)));

        const auto listed = [&](LRESULT items) { return [&main, items] { return ListCount(main) == items; }; };
        std::vector<Timed> enter;
        for (int run = 0; run < kRuns; ++run) {
            enter.push_back(TimeUntil([&] { main.OnSwitchView(); }, listed(count)));
            if (ListCount(main) != count) status = 1;
            main.OnSwitchView();  // back to Tools Menu mode, untimed
            Pump();
        }
        Print(L"Entering My Buttons mode", enter);

        // A click on a column's header: the whole list ordered again and shown.
        main.OnSwitchView();
        TimeUntil([] {}, listed(count));
        std::vector<Timed> sort;
        for (int run = 0; run < kRuns; ++run) {
            for (const ListColumn column : {ListColumn::Kind, ListColumn::For, ListColumn::State, ListColumn::Text}) {
                sort.push_back(TimeUntil(
                    [&] {
                        main.SortBy(column);
                        UpdateWindow(main.Control(IDC_MyButtonsList));
                    },
                    [] { return true; }));
            }
        }
        Print(L"Sorting My Buttons by a column", sort);
        main.OnSwitchView();
        Pump();

        std::vector<Timed> create;
        for (int run = 0; run < kRuns; ++run) {
            FillForm(main, run);
            guids.push_back(main.NextGuid());
            create.push_back(TimeUntil([&] { main.OnCreateButton(); }, listed(count + run + 1)));
            if (ListCount(main) != count + run + 1) status = 1;
        }
        Print(L"Creating one more button", create);

        // Another program's change makes the window read the whole catalogue again.
        std::vector<Timed> changed;
        for (int run = 0; run < kRuns; ++run) {
            catalogue.Record(L"Changed elsewhere " + std::to_wstring(run), L"{00000000-0000-0000-0000-000000000000}");
            changed.push_back(TimeUntil([&] { main.OnSwitchView(); }, listed(count + kRuns + run + 1)));
            if (ListCount(main) != count + kRuns + run + 1) status = 1;
            main.OnSwitchView();
            Pump();
        }
        Print(L"Entering My Buttons mode after a change", changed);
        main.Unload();
    }

    RegDeleteTreeW(HKEY_CURRENT_USER, catalogueKey.c_str());
    for (const std::wstring& guid : guids) {
        for (const KeyPlace place : AllPlaces()) RegDeleteKeyExW(place.root, ExtensionKeyPath(guid).c_str(), place.view, 0);
    }
    if (messages.count > 0 || status != 0) {
        std::wprintf(L"The run went wrong: see above.\n");
        return 1;
    }
    return 0;
}
