// A progress bar on standard error, for runs long enough to want one.
#pragma once

#include <chrono>
#include <cstddef>

namespace sfhost {

class Progress {
public:
    // Shows nothing unless standard error is a terminal; then draws only once
    // the run has taken about a second, so short runs stay silent.
    explicit Progress(std::size_t total);
    ~Progress();  // clears the bar
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Cheap enough to call every step: the clock is read every 1024 steps.
    void update(std::size_t done) {
        if (enabled_ && (done & 1023u) == 0) redraw(done);
    }

private:
    void redraw(std::size_t done);

    using Clock = std::chrono::steady_clock;
    std::size_t total_;
    bool enabled_;
    bool drawn_ = false;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
};

}  // namespace sfhost
