#pragma once
// The uninstaller is one of the files it removes, in one of the folders it
// removes, and a running program cannot delete itself. So it copies itself to
// a private folder of its own (lib/private_folder.h) and starts the copy,
// which waits for the original to end and then deletes it and the folders it
// was in. The copy cannot delete itself either: its folder is removed by the
// next uninstall, or when the machine restarts. When no copy can be started,
// the program and its folders are deleted at the restart too.
#include "uninstall/command_line.h"

#include <string>
#include <vector>

namespace setupkit::uninstall {

class SelfRemoval {
  public:
    // The running program, as the system names it.
    SelfRemoval();

    bool IsProgram(const std::string& path) const;
    // The program's own file is to go (no installation counts it any more).
    void RemoveProgram() { pending_ = true; }
    // When the program is to go and is all that `folder` still holds (with
    // sub-folders taken before), the folder goes after it. Folders are
    // offered deepest first.
    bool TakeFolder(const std::string& folder);

    // Hands the removal to the temporary copy (or to the restart); nothing
    // happens unless RemoveProgram was called.
    void Start() const;

  private:
    bool HoldsNothingElse(const std::string& folder) const;
    bool StartTemporaryCopy() const;

    std::string program_;
    bool pending_ = false;
    std::vector<std::string> folders_;
};

// What the temporary copy does with its order.
void FinishSelfRemoval(const FinishOrder& order);

} // namespace setupkit::uninstall
