#pragma once
// What a running program passes to OutputDebugString, caught by attaching
// to it as its debugger.
#include "lib/win32.h"

#include <mutex>
#include <string>
#include <thread>

namespace setupkit::e2e {

class DebugOutput {
  public:
    // Attaches to the process; returns once attached (or once that failed).
    explicit DebugOutput(DWORD processId);
    // Detaches if the process still runs.
    ~DebugOutput();
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;

    bool Attached() const { return attached_; }
    // Every string so far, one after the other.
    std::string Text() const;

  private:
    void Run(DWORD processId);
    void Note(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info);

    bool attached_ = false;
    bool stop_ = false;
    mutable std::mutex mutex_;
    std::string text_;
    std::thread thread_;
};

} // namespace setupkit::e2e
