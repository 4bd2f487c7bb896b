// Feeds the picture loader tens of thousands of damaged icon, cursor and bitmap
// files and DLLs of icons, made from well-formed ones by mutations drawn with a
// fixed seed, and fails on any crash or hang. A crash ends the process that
// loads, so this program runs the inputs in batches in child processes of
// itself and, when one dies, runs the input it died on alone again and writes
// it out as a file for the picture regression tests.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "pictures/picture_file.h"
#include "platform/shell.h"
#include "extensions/picture_files.h"

namespace {

using barsmith::UniqueKernelHandle;
using barsmith::testing::PictureSeed;

constexpr uint32_t kSeed = 20261207;
constexpr size_t kInputs = 30000;
constexpr size_t kBatch = 3000;
constexpr DWORD kBatchTimeoutMs = 40000;
constexpr DWORD kSingleTimeoutMs = 10000;
constexpr wchar_t kFindings[] = L"picture-fuzz-findings";

constexpr uint8_t kBytes[] = {0x00, 0xFF, 0x7F, 0x80};
constexpr uint32_t kWords[] = {0, 1, 0x7FFFFFFF, 0x7FFFFFFE, 0x80000000, 0xFFFFFFFF, 0xFFFFF000, 0x10000, 256, 4097};
constexpr uint16_t kShorts[] = {0, 1, 0x7FFF, 0x8000, 0xFFFF, 256, 32, 3};

// Every kind of picture file, and a DLL of icon groups.
std::vector<PictureSeed> Seeds() {
    std::vector<PictureSeed> seeds = barsmith::testing::PictureSeeds();
    std::ifstream dll(std::filesystem::path(BARSMITH_PICTURE_ICONS), std::ios::binary);
    seeds.push_back({L"DLL of icons", {std::istreambuf_iterator<char>(dll), {}}});
    return seeds;
}

bool IsProgram(const PictureSeed& seed) { return seed.bytes.size() > 1 && seed.bytes[0] == 'M' && seed.bytes[1] == 'Z'; }

// Input `index` is its seed with one to four changes, the same in every process.
std::vector<uint8_t> Mutated(const PictureSeed& seed, size_t index) {
    std::mt19937 random(kSeed + static_cast<uint32_t>(index) * 2654435761u);
    const auto below = [&random](size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(random) : 0; };
    std::vector<uint8_t> bytes = seed.bytes;
    // Half the changes land where the counts, sizes and offsets are: in the
    // first 80 bytes of a picture file, in the headers and resource directory
    // that fill the first 3 KB of the DLL.
    const size_t structure = IsProgram(seed) ? 3072 : 80;
    const auto position = [&] { return below(bytes.size() < structure || below(2) ? bytes.size() : structure); };
    const auto overwrite = [&](size_t at, const auto value) {
        std::memcpy(bytes.data() + at, &value, std::min(sizeof value, bytes.size() - at));
    };
    for (size_t change = 1 + below(4); change > 0 && !bytes.empty(); --change) {
        switch (below(6)) {
        case 0: bytes[position()] ^= static_cast<uint8_t>(1u << below(8)); break;
        case 1: bytes[position()] = kBytes[below(std::size(kBytes))]; break;
        case 2: overwrite(position(), kWords[below(std::size(kWords))]); break;
        case 3: overwrite(position(), static_cast<uint32_t>(bytes.size() + below(3) - 1)); break;
        case 4: overwrite(position(), kShorts[below(std::size(kShorts))]); break;
        default: bytes.resize(below(bytes.size())); break;
        }
    }
    return bytes;
}

const PictureSeed& SeedOf(const std::vector<PictureSeed>& seeds, size_t index) { return seeds[index % seeds.size()]; }

std::vector<uint8_t> Input(const std::vector<PictureSeed>& seeds, size_t index) {
    return Mutated(SeedOf(seeds, index), index);
}

// A program input's icon is looked for by index and by id in turn.
std::wstring Location(const std::wstring& path, const std::vector<PictureSeed>& seeds, size_t index) {
    constexpr size_t kWays = std::size(barsmith::testing::kProgramIconSuffixes);
    if (!IsProgram(SeedOf(seeds, index))) return path;
    return path + barsmith::testing::kProgramIconSuffixes[index / seeds.size() % kWays];
}

// Rewrites the input file in place: under Wine that costs a fraction of
// making a new file for every input.
bool Rewrite(HANDLE file, const std::vector<uint8_t>& bytes) {
    DWORD written = 0;
    return SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN) &&
           WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && SetEndOfFile(file);
}

struct ViewCloser {
    void operator()(volatile LONG64* view) const { UnmapViewOfFile(const_cast<LONG64*>(view)); }
};
using ProgressView = std::unique_ptr<volatile LONG64, ViewCloser>;

ProgressView MapProgress(HANDLE mapping) {
    return ProgressView(static_cast<volatile LONG64*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(LONG64))));
}

// The child: loads inputs first .. first+count-1, telling the parent through
// the shared progress word which one it is on.
int RunBatch(size_t first, size_t count, const wchar_t* progressName) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    // End at once with the exception's code instead of waiting for a debugger.
    SetUnhandledExceptionFilter([](EXCEPTION_POINTERS* e) -> LONG {
        TerminateProcess(GetCurrentProcess(), e->ExceptionRecord->ExceptionCode);
        return EXCEPTION_EXECUTE_HANDLER;
    });
    const UniqueKernelHandle mapping(OpenFileMappingW(FILE_MAP_WRITE, FALSE, progressName));
    const ProgressView progress = mapping ? MapProgress(mapping.get()) : nullptr;
    if (!progress) return 2;
    const std::wstring path = (std::filesystem::temp_directory_path() /
                               (L"barsmith-fuzz-" + std::to_wstring(GetCurrentProcessId()) + L".pic")).wstring();
    constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const barsmith::UniqueFile input(
        CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    const std::vector<PictureSeed> seeds = Seeds();
    if (!input || !IsProgram(seeds.back())) return 2;
    // What loads is drawn as the preview draws it: some damage only shows then.
    const barsmith::WindowDC screen(nullptr);
    const barsmith::UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
    const barsmith::UniqueBitmap canvas(CreateCompatibleBitmap(screen.get(), 48, 48));
    const barsmith::SelectObjectGuard select(dc.get(), canvas.get());
    for (size_t index = first; index < first + count; ++index) {
        *progress = static_cast<LONG64>(index);
        if (!Rewrite(input.get(), Input(seeds, index))) return 3;
        const int size = 16 * (1 + index % 3);
        if (const barsmith::UniqueIcon icon = barsmith::LoadPictureIcon(Location(path, seeds, index), size)) {
            DrawIconEx(dc.get(), 0, 0, icon.get(), size, size, 0, nullptr, DI_NORMAL);
        }
    }
    *progress = static_cast<LONG64>(first + count);
    return 0;
}

struct BatchResult {
    bool finished;     // every input loaded and the child ended normally
    bool hung;
    DWORD exitCode;
    size_t reached;    // the input the child was on when it stopped
    bool started;      // false when the child never came to its first input
};

class Parent {
public:
    Parent()
        : name_(L"Local\\barsmith-picture-fuzz-" + std::to_wstring(GetCurrentProcessId())),
          mapping_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(LONG64), name_.c_str())),
          progress_(mapping_ ? MapProgress(mapping_.get()) : nullptr) {}
    bool ready() const { return static_cast<bool>(progress_); }

    BatchResult Run(size_t first, size_t count, DWORD timeoutMs) const {
        *progress_ = kNotStarted;
        std::wstring command = L"\"" + exe_ + L"\" --batch " + std::to_wstring(first) + L" " +
                               std::to_wstring(count) + L" " + name_;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(exe_.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            return {false, false, GetLastError(), first, false};
        }
        const UniqueKernelHandle child(process.hProcess), thread(process.hThread);
        const bool hung = WaitForSingleObject(child.get(), timeoutMs) == WAIT_TIMEOUT;
        if (hung) {
            TerminateProcess(child.get(), 0xDEAD);
            WaitForSingleObject(child.get(), INFINITE);
        }
        DWORD code = 0;
        GetExitCodeProcess(child.get(), &code);
        const LONG64 reached = *progress_;
        return {!hung && code == 0 && reached == static_cast<LONG64>(first + count), hung, code,
                static_cast<size_t>(reached), reached != kNotStarted};
    }

private:
    static constexpr LONG64 kNotStarted = -1;
    std::wstring name_;
    UniqueKernelHandle mapping_;
    ProgressView progress_;
    const std::wstring exe_ = barsmith::ModuleFileName(nullptr);
};

// Saves the input for the regression tests; its name says how it was made.
std::filesystem::path SaveFinding(const std::vector<PictureSeed>& seeds, size_t index) {
    const std::vector<uint8_t> bytes = Input(seeds, index);
    const PictureSeed& seed = SeedOf(seeds, index);
    const wchar_t* extension = IsProgram(seed) ? L".dll" : seed.bytes[0] == 'B' ? L".bmp" : L".ico";
    std::filesystem::create_directories(kFindings);
    const std::filesystem::path path = std::filesystem::path(kFindings) / (L"input-" + std::to_wstring(index) + extension);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

int RunAll() {
    const Parent parent;
    if (!parent.ready()) return 2;
    const std::vector<PictureSeed> seeds = Seeds();
    if (!IsProgram(seeds.back())) {
        std::wprintf(L"The DLL of icons %ls could not be read.\n", BARSMITH_PICTURE_ICONS);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    size_t failures = 0, batches = 0;
    for (size_t next = 0; next < kInputs; ++batches) {
        const size_t count = std::min(kBatch, kInputs - next);
        const BatchResult batch = parent.Run(next, count, kBatchTimeoutMs);
        if (batch.finished) {
            next += count;
            continue;
        }
        if (!batch.started) {
            std::wprintf(L"A child process did not start its batch (code 0x%08lX).\n", batch.exitCode);
            return 2;
        }
        // The child stopped on input `reached`: load it alone to tell a fault of
        // that input from one that earlier inputs led up to.
        const size_t culprit = std::min(batch.reached, kInputs - 1);
        const BatchResult alone = parent.Run(culprit, 1, kSingleTimeoutMs);
        ++failures;
        std::wprintf(L"input %zu (%ls%ls): %ls 0x%08lX, %ls alone; saved as %ls\n", culprit, SeedOf(seeds, culprit).name,
                     Location(L"", seeds, culprit).c_str(),
                     batch.hung ? L"hang" : L"crash", batch.exitCode, alone.finished ? L"not repeated" : L"repeated",
                     SaveFinding(seeds, culprit).c_str());
        next = culprit + 1;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::wprintf(L"%zu inputs from %zu seeds in %zu child processes, %.1f s: %zu crashed or hung\n", kInputs,
                 seeds.size(), batches, took.count(), failures);
    if (failures) std::wprintf(L"Add the files in %ls to tests/extensions/damaged_pictures.\n", kFindings);
    return failures ? 1 : 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 5 && std::wcscmp(argv[1], L"--batch") == 0) {
        return RunBatch(std::wcstoull(argv[2], nullptr, 10), std::wcstoull(argv[3], nullptr, 10), argv[4]);
    }
    return RunAll();
}
