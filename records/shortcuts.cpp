#include "records/shortcuts.h"

#include "lib/config_resources.h"
#include "lib/driver_state.h"
#include "lib/line_list.h"
#include "lib/path.h"
#include "lib/text.h"
#include "lib/win32.h"
#include "records/folders.h"

#include <objidl.h>
#include <shlobj.h>

namespace setupkit {

namespace {

std::wstring ToWide(const std::string& text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

// The program of the first line captioned `caption`, as a file name only:
// a shortcut always targets a file directly in the installation folder.
std::string ProgramFileName(const LineList& links, const std::string& caption) {
    return path::ExtractFileName(Trim(links.Value(caption)));
}

} // namespace

// No COM result is examined: a shortcut that cannot be written is not worth
// stopping an installation for.
void CreateShortcut(const std::string& linkPath, const std::string& target,
                    const std::string& description, const std::string& workingFolder) {
    ComPtr<IShellLinkA> link;
    if (FAILED(
            ::CoCreateInstance(CLSID_ShellLink, nullptr,
                               CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                               IID_IShellLinkA, link.PutVoid())) ||
        !link)
        return;
    link->SetPath(target.c_str());
    if (!description.empty())
        link->SetDescription(description.c_str());
    if (!workingFolder.empty())
        link->SetWorkingDirectory(workingFolder.c_str());
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) || !file)
        return;
    file->Save(ToWide(linkPath).c_str(), TRUE);
}

std::string ShortcutFileName(const std::string& caption) {
    const std::size_t dot = caption.find_last_of(".\\:");
    if (dot != std::string::npos && caption[dot] == '.')
        return caption.substr(0, dot) + ".lnk";
    return caption + ".lnk";
}

void CreateProgramLinks() {
    LineList links;
    links.SetText(ReadConfigResource("PROGLINKS"));
    const std::string programs = GetProgramsFolder();
    // Without the Start menu's folder a shortcut would land wherever the
    // process happens to be; the installation is complete without them.
    if (programs.empty())
        return;
    const std::string& installDir = driver::InstallDir;
    for (const std::string& line : links) {
        const std::string caption = LineList::NameOf(line);
        const std::string linkPath = programs + ShortcutFileName(caption);
        CreateShortcut(linkPath, installDir + ProgramFileName(links, caption), caption, installDir);
        driver::InstalledFiles.Add(linkPath);
    }
}

} // namespace setupkit
