#include "records/path_templates.h"

namespace setupkit {

// Not built yet: templates are left as they are so far.
std::string ExpandPathTemplates(const std::string& text) { return text; }

} // namespace setupkit
