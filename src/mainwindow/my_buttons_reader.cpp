#include "mainwindow/my_buttons_reader.h"

namespace barsmith {

MyButtonsReader::MyButtonsReader(RegistryApi& api, std::wstring application)
    : api_(api), application_(std::move(application)) {}

MyButtonsReader::~MyButtonsReader() {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    thread_.join();
}

void MyButtonsReader::Request(HWND window, UINT message, const std::wstring& indexFile) {
    {
        const std::scoped_lock lock(mutex_);
        last_ = {last_.number + 1, window, message, indexFile};
    }
    // Made on the first reading: a window never shown in My Buttons has no thread for it.
    if (!thread_.joinable()) thread_ = std::jthread([this](std::stop_token stop) { Run(stop); });
    asked_.notify_one();
}

std::optional<MyButtonsReading> MyButtonsReader::Take(WPARAM number) {
    const std::scoped_lock lock(mutex_);
    if (number != last_.number || done_ != last_.number || taken_ == done_) return std::nullopt;
    taken_ = done_;
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    return std::exchange(rows_, std::nullopt);
}

bool MyButtonsReader::Pending() const {
    const std::scoped_lock lock(mutex_);
    return taken_ != last_.number;
}

void MyButtonsReader::Run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (asked_.wait(lock, stop, [this] { return last_.number != started_; }) && !stop.stop_requested()) {
        const Ask ask = last_;
        started_ = ask.number;
        lock.unlock();
        MyButtonsReading rows;
        std::exception_ptr failure;
        try {
            rows = ReadMyButtonsRows(api_, MyButtonsCatalogue(api_, application_), ask.indexFile);
        } catch (...) {
            failure = std::current_exception();  // the window's thread tells it
        }
        lock.lock();
        // Asked again meanwhile: what this reading found may be out of date, and the next one follows.
        if (ask.number != last_.number) continue;
        done_ = ask.number;
        rows_ = std::move(rows);
        failure_ = failure;
        PostMessageW(ask.window, ask.message, ask.number, 0);
    }
}

}  // namespace barsmith
