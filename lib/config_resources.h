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

} // namespace setupkit
