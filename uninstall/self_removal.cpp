#include "uninstall/self_removal.h"

#include "lib/file.h"
#include "lib/path.h"
#include "lib/private_folder.h"
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

// The program's bytes in a new file of `folder`, closed again; empty when
// they could not all be written.
std::string WriteCopy(PrivateFolder& folder, const std::string& program) {
    std::string bytes;
    std::string copy;
    if (!file::ReadAll(program, bytes))
        return std::string();
    const UniqueHandle file = folder.NewFile(copy);
    DWORD written = 0;
    if (!file ||
        !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) ||
        written != bytes.size())
        return std::string();
    return copy;
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
    // A fresh folder that only this user can write to: what the copy loads
    // from beside itself is what was put there, not what someone planted in
    // the shared temporary folder.
    PrivateFolder folder;
    const std::string copy = folder.Valid() ? WriteCopy(folder, program_) : std::string();
    const UniqueHandle self = InheritableSelf();
    const FinishOrder order{reinterpret_cast<std::uintptr_t>(self.Get()), program_, folders_};
    // The copy runs in its own folder: a process's current folder cannot be
    // removed while it runs. On failure the folder goes with what is in it.
    if (copy.empty() || !self || !StartProgram(copy, FinishCommandLine(copy, order), folder.Path()))
        return false;
    // The copy cannot delete itself either: the next uninstall removes its
    // folder (RemoveStalePrivateFolders), or else the restart does.
    DeleteAtRestart(copy);
    DeleteAtRestart(folder.Keep());
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
