#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace sfhost {

namespace {
constexpr auto kQuietPeriod = std::chrono::seconds(1);
constexpr auto kRedrawPeriod = std::chrono::milliseconds(100);
constexpr int kBarWidth = 40;
}  // namespace

Progress::Progress(std::size_t total)
    : total_(total), enabled_(total > 0 && isatty(STDERR_FILENO) == 1), start_(Clock::now()), lastDraw_(start_) {}

Progress::~Progress() {
    if (drawn_) {
        std::fprintf(stderr, "\r%*s\r", kBarWidth + 40, "");
        std::fflush(stderr);
    }
}

void Progress::redraw(std::size_t done) {
    const auto now = Clock::now();
    if (now - start_ < kQuietPeriod || now - lastDraw_ < kRedrawPeriod) return;
    lastDraw_ = now;
    drawn_ = true;
    const double fraction = static_cast<double>(done) / static_cast<double>(total_);
    const int filled = static_cast<int>(fraction * kBarWidth);
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double remaining = fraction > 0 ? elapsed * (1.0 - fraction) / fraction : 0.0;
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '-';
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  %zu/%zu steps  %.0f s left ", bar, static_cast<int>(fraction * 100.0),
                 done, total_, remaining);
    std::fflush(stderr);
}

}  // namespace sfhost
