#include "builder/progress.h"

#include <cstdio>
#include <iomanip>

#ifdef _WIN32
#include <io.h>
#define SETUPKIT_ISATTY _isatty
#define SETUPKIT_FILENO _fileno
#else
#include <unistd.h>
#define SETUPKIT_ISATTY isatty
#define SETUPKIT_FILENO fileno
#endif

namespace setupkit::builder {
namespace {

constexpr auto kQuietPeriod = std::chrono::seconds(1);
constexpr auto kRedrawPeriod = std::chrono::milliseconds(200);

} // namespace

ProgressMeter::ProgressMeter(std::ostream& out, const char* done)
    : out_(out), done_(done), enabled_(SETUPKIT_ISATTY(SETUPKIT_FILENO(stderr)) != 0) {}

ProgressMeter::~ProgressMeter() {
    if (drawn_) {
        Draw(Clock::now());
        out_ << "\n";
    }
}

ProgressCounter ProgressMeter::Counter() {
    return [this](std::uint64_t bytes) { Add(bytes); };
}

void ProgressMeter::Add(std::uint64_t bytes) {
    ++files_;
    bytes_ += bytes;
    const Clock::time_point now = Clock::now();
    if (enabled_ && now - start_ >= kQuietPeriod && now - lastDraw_ >= kRedrawPeriod)
        Draw(now);
}

void ProgressMeter::Draw(Clock::time_point now) {
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double megabytes = static_cast<double>(bytes_) / (1024 * 1024);
    out_ << "\rsetupkit-build: " << done_ << " " << files_ << " files, " << std::fixed
         << std::setprecision(1) << megabytes << " MB, " << megabytes / seconds << " MB/s   "
         << std::flush;
    drawn_ = true;
    lastDraw_ = now;
}

} // namespace setupkit::builder
