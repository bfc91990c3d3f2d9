#include "records/template_expansion.h"

namespace setupkit {

std::string ExpandTemplates(const std::string& text, const std::vector<TTemplateInfo>& table) {
    std::string result = text;
    std::size_t replacements = 0;
    for (const TTemplateInfo& info : table) {
        for (std::size_t pos = result.find(info.Template); pos != std::string::npos;
             pos = result.find(info.Template)) {
            if (replacements++ == kMaxTemplateReplacements)
                return result;
            result.replace(pos, info.Template.size(), info.GetValue());
        }
    }
    return result;
}

} // namespace setupkit
