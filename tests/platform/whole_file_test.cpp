#include "platform/whole_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "model/guid.h"

namespace barsmith {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WholeFileTest : public ::testing::Test {
protected:
    const fs::path folder = fs::temp_directory_path() / (L"whole " + CreateGUID());
    WholeFileTest() { fs::create_directories(folder); }
    ~WholeFileTest() override {
        std::error_code ignored;
        fs::remove_all(L"\\\\?\\" + folder.wstring(), ignored);
    }
    // Nothing but the files named is left in the folder.
    size_t Files() const { return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {})); }
};

TEST_F(WholeFileTest, LongPathsWorkAndWhatNamesNoWritableFileIsRefusedWithTheRealReason) {
    // A folder of about 290 characters, beyond MAX_PATH, is written like any other.
    const fs::path deep = folder / std::wstring(200, L'd') / std::wstring(90, L'e');
    fs::create_directories(L"\\\\?\\" + deep.wstring());
    const std::wstring longFile = (deep / L"x.reg").wstring();
    ASSERT_FALSE(WriteWholeFile(longFile, "deep"));
    EXPECT_EQ(Read(L"\\\\?\\" + longFile), "deep");

    using Why = FileError::Why;
    const struct {
        std::wstring path;
        Why why;
        std::wstring name;
    } refused[] = {
        {(folder / L"NUL").wstring(), Why::Device, L"NUL"},
        {(folder / L"con.reg").wstring(), Why::Device, L"con.reg"},
        {(folder / L"COM1 .txt").wstring(), Why::Device, L"COM1 .txt"},
        {(folder / L"LPT9").wstring(), Why::Device, L"LPT9"},
        {folder.wstring(), Why::IsFolder, L""},
        {folder.wstring() + L"\\", Why::NamesFolder, L""},
        {(folder / L"missing" / L"x.reg").wstring(), Why::NoFolder, (folder / L"missing").wstring() + L"\\"},
        {(folder / (std::wstring(252, L'n') + L".reg")).wstring(), Why::TooLong, L""},  // 256 characters
        {L"C:\\" + std::wstring(32800, L'p'), Why::TooLong, L""},
        {L"", Why::NoName, L""},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.path.substr(0, 80));
        const std::optional<FileError> error = WriteWholeFile(row.path, "data");
        ASSERT_TRUE(error);
        EXPECT_EQ(error->why, row.why);
        EXPECT_EQ(error->name, row.name);
    }
    EXPECT_EQ(Files(), 1u) << "only the deep folder: nothing was written anywhere";
    // COM10, LPT0 and a name of 255 characters are ordinary names.
    for (const std::wstring& name : {std::wstring(L"COM10"), std::wstring(L"LPT0"), std::wstring(251, L'n') + L".reg"})
        EXPECT_FALSE(WriteWholeFile((folder / name).wstring(), "ordinary")) << name.size();
}

BOOL WINAPI WriteHalfThenFailDiskFull(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED) {
    WriteFile(file, data, size / 2, written, nullptr);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

TEST_F(WholeFileTest, WriteThatFailsAfterTheFileIsOpenedLeavesTheEarlierFileAsItWas) {
    const fs::path file = folder / L"buttons.reg";
    ASSERT_FALSE(WriteWholeFile(file.wstring(), "earlier"));

    const std::optional<FileError> error =
        WriteWholeFile(file.wstring(), "the new contents", WriteHalfThenFailDiskFull);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(Read(file), "earlier");
    EXPECT_EQ(Files(), 1u) << "the temporary file is gone";
}

// What another program of the same user may try on the temporary file while
// a database engine writes it by its name.
TEST_F(WholeFileTest, WhileAFileIsMadeByItsNameNoOtherProgramCanDeleteRenameOrReplaceIt) {
    const fs::path file = folder / L"buttons.msi";
    const fs::path planted = folder / L"planted";
    std::ofstream(planted) << "another program's";
    const std::optional<FileError> error = MakeWholeFile(file.wstring(), [&](const std::wstring& temporary) -> DWORD {
        const struct {
            const wchar_t* what;
            std::function<BOOL()> attempt;
        } hostile[] = {
            {L"delete", [&] { return DeleteFileW(temporary.c_str()); }},
            {L"rename", [&] { return MoveFileExW(temporary.c_str(), (folder / L"away").c_str(), 0); }},
            {L"replace", [&] { return MoveFileExW(planted.c_str(), temporary.c_str(), MOVEFILE_REPLACE_EXISTING); }},
        };
        for (const auto& row : hostile) EXPECT_FALSE(row.attempt()) << row.what;
        // The engine opens the file by its name, shared for reading only.
        const HANDLE made = CreateFileW(temporary.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (made == INVALID_HANDLE_VALUE) return GetLastError();
        DWORD written = 0;
        WriteFile(made, "made", 4, &written, nullptr);
        CloseHandle(made);
        return ERROR_SUCCESS;
    });
    EXPECT_FALSE(error) << (error ? error->code : 0);
    EXPECT_EQ(Read(file), "made");
    EXPECT_EQ(Read(planted), "another program's");
    EXPECT_EQ(Files(), 2u) << "no temporary file is left, nothing was moved away";

    // A failure leaves the earlier file as it was, and no temporary file.
    const std::optional<FileError> failed =
        MakeWholeFile(file.wstring(), [](const std::wstring&) -> DWORD { return ERROR_DISK_FULL; });
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->code, static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(Read(file), "made");
    EXPECT_EQ(Files(), 2u);
}

}  // namespace
}  // namespace barsmith
