#include "ui/select_dir.h"

#include "lib/config_resources.h"
#include "lib/path.h"
#include "ui/select_dir_dialog.h"

namespace setupkit {

bool PromptInstallDir(std::string& installDir) {
    // Only the exact text "No" turns the question off.
    if (!IsOptionOn("PROMPTINSTALLDIR")) {
        installDir = path::AddBackslash(installDir);
        return true;
    }
    TSelectDirDialog dialog;
    dialog.SetDirectory(installDir);
    if (!dialog.Execute())
        return false;
    // Taken as typed: the dialog saw to its form, and its existence is not checked.
    installDir = path::AddBackslash(dialog.Directory());
    return true;
}

} // namespace setupkit
