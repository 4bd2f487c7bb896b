#pragma once
// Reads the My Buttons list on a thread of its own, so that the window goes on
// answering while thousands of entries are read and checked. The window is
// told by a posted message and takes the rows on its own thread; the reader
// never waits for the window, and holds the buttons lock only while it reads.
#include <windows.h>

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "operations/my_buttons_rows.h"

namespace barsmith {

// What one reading found: the rows, or nothing when the buttons lock could not be had in time.
using MyButtonsReading = std::optional<std::vector<MyButtonsRow>>;

class MyButtonsReader {
public:
    // Reads through `api`, which must outlive the reader, the catalogue of `application`.
    MyButtonsReader(RegistryApi& api, std::wstring application);
    // A reading under way is finished first: it works through `api`.
    ~MyButtonsReader();
    MyButtonsReader(const MyButtonsReader&) = delete;
    MyButtonsReader& operator=(const MyButtonsReader&) = delete;

    // Asks for a reading that starts from now on, the keys read through
    // `indexFile` (key_index.h); when it is done, `window` is posted
    // `message` with the reading's number as its WPARAM. The rows of a
    // reading under way are dropped, and the list is read again after it.
    void Request(HWND window, UINT message, const std::wstring& indexFile);
    // The rows of reading `number` when it is the last one asked for, once;
    // nothing for an earlier reading or one already taken. What went wrong
    // on the reader's thread is thrown here.
    std::optional<MyButtonsReading> Take(WPARAM number);
    // Whether the last reading asked for has not been taken yet.
    bool Pending() const;

private:
    struct Ask {
        unsigned number = 0;
        HWND window = nullptr;
        UINT message = 0;
        std::wstring indexFile;
    };
    void Run(std::stop_token stop);

    RegistryApi& api_;
    const std::wstring application_;
    mutable std::mutex mutex_;
    std::condition_variable_any asked_;
    Ask last_;                  // the last reading asked for
    unsigned started_ = 0;      // the number of the reading under way or done last
    unsigned done_ = 0;         // the number of the reading whose result is kept
    unsigned taken_ = 0;        // the number of the reading taken last
    MyButtonsReading rows_;
    std::exception_ptr failure_;
    std::jthread thread_;  // last: it stops, and is joined, before the rest goes
};

}  // namespace barsmith
