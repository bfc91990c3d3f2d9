#pragma once
// A folder of the program's own under the temporary folder, for files it
// writes and then loads or hands on (the extraction library and the archive,
// the uninstaller's running copy). A file written straight into the shared
// temporary folder has a name anyone can guess and a moment between writing
// and loading in which another process can change it. This folder is made
// fresh under a random name, only the current user may write in it, and its
// files are written with no one else allowed to write them meanwhile.
//
// While its owner runs, the folder is held open without delete sharing; a run
// that was killed leaves it unheld, and a later run of the setup or the
// uninstaller removes it once it has been left untouched for ten seconds
// (RemoveStalePrivateFolders).
#include "lib/win32.h"

#include <string>

namespace setupkit {

class PrivateFolder {
  public:
    // Makes the folder; Valid() is false when none could be made.
    PrivateFolder();
    // Removes the folder and the files made in it, however the step that
    // used it ended. A library loaded from it must be freed before.
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    bool Valid() const { return hold_.Valid(); }
    // The folder, without a trailing backslash.
    const std::string& Path() const { return path_; }
    // A new "KV" file in the folder, open for writing and shared for reading
    // only; `path` names it. Invalid when it cannot be made.
    UniqueHandle NewFile(std::string& path);
    // Leaves the folder and its files in place for a process that outlives
    // this one; it is removed as stale once that process no longer holds it.
    std::string Keep();

  private:
    std::string path_;
    UniqueHandle hold_;
    unsigned fileCount_ = 0;
};

// Removes the private folders that no running program holds and that have
// not changed for ten seconds, with their files: what killed runs left
// behind. Folders that are links are left alone.
void RemoveStalePrivateFolders();

} // namespace setupkit
