#include "uninstall/command_line.h"

namespace setupkit::uninstall {
namespace {

constexpr const char* kFinishSwitch = "/finish";

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 10 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> parts;
    std::string part;
    bool inPart = false;
    bool quoted = false;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inPart = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inPart)
                parts.push_back(part);
            part.clear();
            inPart = false;
        } else {
            part += c;
            inPart = true;
        }
    }
    if (inPart)
        parts.push_back(part);
    return parts;
}

std::string ApplicationName(const std::vector<std::string>& arguments) {
    std::string name;
    for (std::size_t i = 1; i < arguments.size(); ++i)
        name += (i > 1 ? " " : "") + arguments[i];
    return name;
}

std::string FinishCommandLine(const std::string& copy, const FinishOrder& order) {
    std::string line = Quoted(copy) + " " + kFinishSwitch + " " + std::to_string(order.process) +
                       " " + Quoted(order.program);
    for (const std::string& folder : order.folders)
        line += " " + Quoted(folder);
    return line;
}

std::optional<FinishOrder> ParseFinishOrder(const std::vector<std::string>& arguments) {
    if (arguments.size() < 4 || arguments[1] != kFinishSwitch || !IsNumber(arguments[2]))
        return std::nullopt;
    FinishOrder order;
    order.process = static_cast<std::uintptr_t>(std::stoull(arguments[2]));
    order.program = arguments[3];
    order.folders.assign(arguments.begin() + 4, arguments.end());
    return order;
}

} // namespace setupkit::uninstall
