#include "platform/session_lock.h"

#include <gtest/gtest.h>

#include <thread>

#include "model/guid.h"

namespace barsmith {
namespace {

TEST(SessionLockTest, OneHolderAtATimeAndALockLeftByAnEndedHolderPassesOn) {
    const std::wstring name = L"BarsmithTests." + CreateGUID();
    {
        const SessionLock first(name, 0);
        ASSERT_TRUE(first.Held());
        std::thread([&] { EXPECT_FALSE(SessionLock(name, 50).Held()) << "held elsewhere"; }).join();
    }
    std::thread([&] { EXPECT_TRUE(SessionLock(name, 0).Held()) << "let go"; }).join();

    // A holder that ends without letting go (a crashed copy of the program):
    // its thread is gone, the mutex it held is still there, abandoned.
    HANDLE left = nullptr;
    std::thread([&] { left = CreateMutexW(nullptr, TRUE, (L"Local\\" + name).c_str()); }).join();
    EXPECT_TRUE(SessionLock(name, 1000).Held());
    CloseHandle(left);
}

}  // namespace
}  // namespace barsmith
