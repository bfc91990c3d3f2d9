#include "uninstall/self_removal.h"

#include "lib/path.h"
#include "lib/text.h"
#include "lib/win32.h"

#include <algorithm>

namespace setupkit::uninstall {
namespace {

// How long the copy keeps trying to delete the program after the original
// ended: the system may hold the program's file a moment longer.
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeleteRetryMs = 100;

std::string ModulePath() {
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, length < MAX_PATH ? length : 0);
}

// A new, empty file of a name no one else uses, in the temporary folder.
std::string NewTemporaryFile() {
    char folder[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    if (!::GetTempPathA(MAX_PATH, folder) || !::GetTempFileNameA(folder, "uni", 0, path))
        return std::string();
    return path;
}

// The original process, as a handle the copy inherits and can wait for.
UniqueHandle InheritableSelf() {
    HANDLE self = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &self,
                      SYNCHRONIZE, TRUE, 0);
    return UniqueHandle(self);
}

bool StartProgram(const std::string& program, std::string commandLine, const std::string& folder) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                          folder.c_str(), &startup, &info))
        return false;
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    return true;
}

void DeleteAtRestart(const std::string& path) {
    ::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// The system deletes a folder at the restart only when it is empty by then.
void ScheduleForRestart(const std::string& program, const std::vector<std::string>& folders) {
    DeleteAtRestart(program);
    for (const std::string& folder : folders)
        DeleteAtRestart(folder);
}

bool DeleteProgram(const std::string& program) {
    for (int attempt = 0; attempt < kDeleteAttempts; ++attempt) {
        if (::DeleteFileA(program.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND)
            return true;
        ::Sleep(kDeleteRetryMs);
    }
    return false;
}

} // namespace

SelfRemoval::SelfRemoval() : program_(ModulePath()) {}

bool SelfRemoval::IsProgram(const std::string& path) const {
    return !program_.empty() && SameText(path, program_);
}

bool SelfRemoval::TakeFolder(const std::string& folder) {
    if (!pending_ || !path::IsBelowFolder(program_, folder) || !HoldsNothingElse(folder))
        return false;
    folders_.push_back(folder);
    return true;
}

bool SelfRemoval::HoldsNothingElse(const std::string& folder) const {
    WIN32_FIND_DATAA found;
    FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!find)
        return false;
    do {
        const std::string name = found.cFileName;
        const std::string path = folder + "\\" + name;
        const bool taken = std::any_of(folders_.begin(), folders_.end(),
                                       [&](const std::string& f) { return SameText(f, path); });
        if (name != "." && name != ".." && !SameText(path, program_) && !taken)
            return false;
    } while (::FindNextFileA(find.Get(), &found));
    return true;
}

void SelfRemoval::Start() const {
    if (pending_ && !StartTemporaryCopy())
        ScheduleForRestart(program_, folders_);
}

bool SelfRemoval::StartTemporaryCopy() const {
    const std::string copy = NewTemporaryFile();
    if (copy.empty())
        return false;
    const UniqueHandle self = InheritableSelf();
    const FinishOrder order{reinterpret_cast<std::uintptr_t>(self.Get()), program_, folders_};
    // The copy runs in the temporary folder: a process's current folder
    // cannot be removed while it runs.
    if (!self || !::CopyFileA(program_.c_str(), copy.c_str(), FALSE) ||
        !StartProgram(copy, FinishCommandLine(copy, order), path::ExtractFilePath(copy))) {
        ::DeleteFileA(copy.c_str());
        return false;
    }
    DeleteAtRestart(copy);
    return true;
}

void FinishSelfRemoval(const FinishOrder& order) {
    // Only the handle the original passed down is waited for; a command line
    // typed by hand that names no such process deletes nothing.
    const UniqueHandle original(reinterpret_cast<HANDLE>(order.process));
    if (::WaitForSingleObject(original.Get(), INFINITE) != WAIT_OBJECT_0)
        return;
    if (!DeleteProgram(order.program)) {
        ScheduleForRestart(order.program, order.folders);
        return;
    }
    // A folder that still holds something stays, as the original decided.
    for (const std::string& folder : order.folders)
        ::RemoveDirectoryA(folder.c_str());
}

} // namespace setupkit::uninstall
