#include "ide/path_templates.h"

#include "ide/catalogue.h"
#include "records/folders.h"
#include "records/template_expansion.h"

namespace setupkit {

std::string ExpandPathTemplates(const std::string& text) {
    static const std::vector<TTemplateInfo> TemplateTable = {
        {"%SYSTEM%", GetSystemFolder},
        {"%WINDOWS%", GetWindowsFolder},
        {"%PROGRAMFILES%", GetProgramFilesFolder},
        {"%C1_HELP%", IdeHelpFolderC1},
        {"%C3_HELP%", IdeHelpFolderC3},
        {"%D2_HELP%", IdeHelpFolderD2},
        {"%D3_HELP%", IdeHelpFolderD3},
        {"%D4_HELP%", IdeHelpFolderD4},
    };
    return ExpandTemplates(text, TemplateTable);
}

} // namespace setupkit
