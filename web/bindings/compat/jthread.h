#pragma once

// Emscripten's C++ library (LLVM 14) has no std::jthread. The grader's batch
// mode starts its workers with one; the page never grades in batches (it has
// no threads to start), but the grader's source must compile. This is the
// part of std::jthread that source uses: a thread joined when it is
// destroyed. Included before every grader source of the WebAssembly build.

#include <thread>
#include <utility>

namespace std {

class jthread {
public:
    template <class F>
    explicit jthread(F&& f) : thread_(std::forward<F>(f)) {}
    jthread(jthread&&) noexcept = default;
    jthread& operator=(jthread&& other) noexcept {
        if (thread_.joinable()) thread_.join();
        thread_ = std::move(other.thread_);
        return *this;
    }
    ~jthread() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};

}  // namespace std
