#include "setup/checks.h"

#include "lib/config_resources.h"
#include "lib/driver_state.h"
#include "lib/text.h"
#include "lib/win32.h"
#include "records/uninstall.h"
#include "setup/messages.h"
#include "ui/message_box.h"

namespace setupkit {

bool CheckPreviousVersion() {
    return !IsOptionOn("CHECKPREVVERSION") || WarnPreviousVersion(driver::AppName);
}

bool CheckRunningIde() {
    return !IsOptionOn("CHECKDELPHI") || WarnRunningIde(driver::AppName);
}

bool WarnPreviousVersion(const std::string& name) {
    if (!UninstallEntryExists(name))
        return true;
    return AskOk(FormatWith(messages::kPreviousVersionText, name),
                 messages::kPreviousVersionCaption, MB_ICONHAND);
}

bool WarnRunningIde(const std::string& name) {
    if (!IsIdeRunning())
        return true;
    return AskOk(FormatWith(messages::kRunningIdeText, name), messages::kRunningIdeCaption,
                 MB_ICONHAND);
}

bool UninstallEntryExists(const std::string& name) {
    // No entry is ever written without a name; the path would name the parent.
    if (name.empty())
        return false;
    const std::string path = std::string(kUninstallParentPath) + "\\" + name;
    RegKey key;
    return ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, key.Put()) ==
           ERROR_SUCCESS;
}

bool IsIdeRunning() {
    // A lone window of one of these classes may belong to another program.
    const bool palette = ::FindWindowA("TAlignPalette", nullptr) != nullptr;
    const bool inspector = ::FindWindowA("TPropertyInspector", nullptr) != nullptr;
    const bool builder = ::FindWindowA("TAppBuilder", nullptr) != nullptr;
    return palette && inspector && builder;
}

} // namespace setupkit
