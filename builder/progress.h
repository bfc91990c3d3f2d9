#pragma once
// Progress of a long build on stderr: files and bytes done and the rate, on
// one line redrawn in place. Shown only when the build has taken more than a
// second and stderr is a terminal, so logs and pipes stay clean.
#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>

namespace setupkit::builder {

// Told the size of each file as it is done.
using ProgressCounter = std::function<void(std::uint64_t bytes)>;

class ProgressMeter {
  public:
    // `done`: what is done to the files, as the line says it ("packed").
    ProgressMeter(std::ostream& out, const char* done);
    ~ProgressMeter();
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    ProgressCounter Counter();

  private:
    using Clock = std::chrono::steady_clock;
    void Add(std::uint64_t bytes);
    void Draw(Clock::time_point now);

    std::ostream& out_;
    const char* done_;
    bool enabled_;
    bool drawn_ = false;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastDraw_ = start_;
    std::uint64_t files_ = 0;
    std::uint64_t bytes_ = 0;
};

} // namespace setupkit::builder
