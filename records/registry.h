#pragma once
// Registry access in the two styles the setup uses.
//
// RegistryKey is for the maker's own records and the IDE's settings: a write
// that fails or a value of the wrong type raises SetupError, while a key or
// value that is merely missing reads as empty.
//
// The free functions below it write the uninstall entry (records/uninstall.h)
// and the IDE's package list; their failures are ignored, because a machine that refuses them still
// gets a working installation.
#include "lib/win32.h"

#include <string>
#include <utility>
#include <vector>

namespace setupkit {

class RegistryKey {
  public:
    // Opens an existing key: full access first, read access when that is refused.
    // The result is not open when the key cannot be opened at all.
    static RegistryKey Open(HKEY root, const std::string& path);
    // Opens the key, creating it and any missing parent; raises when it cannot.
    static RegistryKey Create(HKEY root, const std::string& path);

    bool IsOpen() const { return key_.Valid(); }
    HKEY Handle() const { return key_.Get(); }

    bool ValueExists(const std::string& name) const;
    // A string or expandable string (unexpanded), cut at its first zero
    // character; empty when missing or without data.
    std::string ReadString(const std::string& name) const;
    // A REG_DWORD value; 0 when missing.
    DWORD ReadInteger(const std::string& name) const;
    void WriteString(const std::string& name, const std::string& value);
    void WriteInteger(const std::string& name, DWORD value);
    // Every value name in the registry's enumeration order.
    std::vector<std::string> ValueNames() const;
    // How many values the key holds; 0 when it is not open.
    std::size_t ValueCount() const;
    std::vector<std::string> SubkeyNames() const;
    // False when there was no such value (or the key is not open).
    bool DeleteValue(const std::string& name);

  private:
    explicit RegistryKey(RegKey key) : key_(std::move(key)) {}

    RegKey key_;
};

// Deletes a key that has no subkeys; a missing key, or one that cannot be
// deleted, is left as it is.
void DeleteRegistryKey(HKEY root, const std::string& path);

// Creates or opens `subKey` under `parent` with full access; not valid on
// failure or for an empty name, which never stands for the parent.
RegKey CreateRegKey(HKEY parent, const std::string& subKey);
// Sets a REG_SZ value holding the text and its terminating NUL; the outcome is not examined.
void WriteRegString(HKEY key, const std::string& name, const std::string& value);

// A string or expandable string value, cut at its first zero character;
// false when it is missing, is no string or cannot be read.
bool ReadStringValue(HKEY key, const std::string& name, std::string& text);

} // namespace setupkit
