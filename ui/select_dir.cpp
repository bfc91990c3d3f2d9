#include "ui/select_dir.h"

#include "extract/paths.h"

namespace setupkit {

// Not built yet: the proposed folder is taken without asking so far.
bool PromptInstallDir(std::string& installDir) {
    installDir = AddBackslash(installDir);
    return true;
}

} // namespace setupkit
