#pragma once
// A folder of its own for each test, removed with everything in it when the
// test ends, so that tests leave nothing behind and can run side by side.
#include "lib/file.h"

#include <string>
#include <vector>

namespace setupkit::e2e {

class ScratchFolder {
  public:
    // A new folder in the system's temporary folder, named after the running test.
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder, without a trailing backslash.
    const std::string& Path() const { return path_; }
    // Path() + "\" + name; nothing is created.
    std::string File(const std::string& name) const;
    // Creates a sub-folder (with its missing parents) and returns its path.
    std::string MakeFolder(const std::string& name) const;

  private:
    std::string path_;
};

using file::FileExists;
using file::FolderExists;
// The whole file, or empty when it cannot be read.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// Names of the files and folders in a folder (not "." and ".."), sorted;
// sub-folders are listed as "name\" followed by their own entries.
std::vector<std::string> ListFolder(const std::string& folder);
// Removes a folder and everything in it; a missing folder is fine.
void RemoveFolder(const std::string& folder);
// Moves a folder's last change a minute into the past.
void AgeFolder(const std::string& folder);

} // namespace setupkit::e2e
