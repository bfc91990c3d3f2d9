#pragma once
// Named raw-data resources of the setup file: everything one build installs
// and every option of its run. An absent resource reads as empty.
#include "lib/win32.h"

#include <string>

namespace setupkit {

struct ConfigResourceData {
    HGLOBAL handle = nullptr;
    const void* data = nullptr;
    DWORD size = 0;
};

ConfigResourceData LockConfigResource(const std::string& name);
void ReleaseConfigResource(HGLOBAL handle);
// The resource's bytes as text of exactly its size; empty when absent.
std::string ReadConfigResource(const std::string& name);

// Holds a locked resource until the end of a scope.
class ConfigResourceLock {
  public:
    explicit ConfigResourceLock(const std::string& name) : res_(LockConfigResource(name)) {}
    ~ConfigResourceLock() { ReleaseConfigResource(res_.handle); }
    ConfigResourceLock(const ConfigResourceLock&) = delete;
    ConfigResourceLock& operator=(const ConfigResourceLock&) = delete;
    const void* Data() const { return res_.data; }
    DWORD Size() const { return res_.size; }

  private:
    ConfigResourceData res_;
};

// An option that is on unless its resource holds exactly "No".
bool IsOptionOn(const std::string& name);
// An option that is off unless its resource holds exactly "Yes".
bool IsOptionYes(const std::string& name);

// The system's temporary folder, without a trailing backslash unless it is a
// drive root; empty when the system reports none or one too long for MAX_PATH.
std::string GetTempFolder();
// What GetTempFolder makes of GetTempPath's answer: `length` as reported for
// `buffer`, which holds MAX_PATH characters.
std::string TempFolderFromAnswer(const char* buffer, DWORD length);
// Creates a new empty file in the temporary folder; empty text on failure.
std::string MakeTempFileName(const std::string& prefix);
// A new "KV" temporary file opened for writing; invalid when it cannot be
// opened. `path` is set either way.
UniqueHandle CreateTempFile(std::string& path);

// Another process may hold a file a moment after the program it was handed
// to has ended (the console host of a console program started from a program
// without a console does). These retry while the file is in use, for a few
// seconds at most, and then give up as the plain calls would.
UniqueHandle OpenFileWhenFree(const std::string& path);
bool DeleteFileWhenFree(const std::string& path);

// Deletes a temporary file when the step that made it ends, however it ends.
class TempFile {
  public:
    TempFile() = default;
    ~TempFile() {
        if (!path.empty())
            DeleteFileWhenFree(path);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    std::string path;
};

} // namespace setupkit
