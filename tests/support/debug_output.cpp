#include "tests/support/debug_output.h"

#include <algorithm>
#include <condition_variable>

namespace setupkit::e2e {

namespace {

// Exceptions the program raises itself are its own to handle; only the
// break-in that attaching makes is the debugger's.
DWORD ContinueStatus(const DEBUG_EVENT& event) {
    if (event.dwDebugEventCode != EXCEPTION_DEBUG_EVENT)
        return DBG_CONTINUE;
    return event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT
               ? DBG_CONTINUE
               : DBG_EXCEPTION_NOT_HANDLED;
}

// The file handles the events hand over are the debugger's to close.
void CloseEventHandles(const DEBUG_EVENT& event) {
    if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT)
        UniqueHandle(event.u.CreateProcessInfo.hFile);
    else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT)
        UniqueHandle(event.u.LoadDll.hFile);
}

} // namespace

DebugOutput::DebugOutput(DWORD processId) {
    std::mutex ready;
    std::condition_variable signal;
    bool started = false;
    // The thread that attaches is the one that must wait for the events.
    thread_ = std::thread([&, processId] {
        const bool attached = ::DebugActiveProcess(processId) != FALSE;
        if (attached)
            ::DebugSetProcessKillOnExit(FALSE);
        {
            // Notified under the lock: the waiter, and with it `signal`, is
            // gone as soon as the lock is free.
            std::lock_guard<std::mutex> lock(ready);
            attached_ = attached;
            started = true;
            signal.notify_one();
        }
        if (attached)
            Run(processId);
    });
    std::unique_lock<std::mutex> lock(ready);
    signal.wait(lock, [&] { return started; });
}

DebugOutput::~DebugOutput() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    thread_.join();
}

std::string DebugOutput::Text() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
}

void DebugOutput::Run(DWORD processId) {
    UniqueHandle process(::OpenProcess(PROCESS_VM_READ, FALSE, processId));
    for (;;) {
        DEBUG_EVENT event{};
        if (!::WaitForDebugEvent(&event, 100)) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stop_) {
                ::DebugActiveProcessStop(processId);
                return;
            }
            continue;
        }
        CloseEventHandles(event);
        if (event.dwDebugEventCode == OUTPUT_DEBUG_STRING_EVENT)
            Note(process.Get(), event.u.DebugString);
        ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, ContinueStatus(event));
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT)
            return;
    }
}

void DebugOutput::Note(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    // The setup's strings are ANSI and end with their terminating zero.
    std::string text(info.nDebugStringLength, '\0');
    SIZE_T read = 0;
    if (info.fUnicode ||
        !::ReadProcessMemory(process, info.lpDebugStringData, text.data(), text.size(), &read))
        return;
    text.resize(std::min<SIZE_T>(read, text.find('\0')));
    std::lock_guard<std::mutex> lock(mutex_);
    text_ += text;
}

} // namespace setupkit::e2e
