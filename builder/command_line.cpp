#include "builder/command_line.h"

#include "builder/file_io.h"

namespace setupkit::builder {
namespace {

const char kUsage[] = "usage: setupkit-build STUB OUT NAME=text|NAME=@file ...\n"
                      "       setupkit-build --product DIR --stub STUB --unrar DLL -o OUT\n"
                      "       setupkit-build --rar FOLDER -o OUT";

void RunLowLevel(const std::vector<std::string>& arguments) {
    if (arguments.size() < 2)
        throw BuildError(kUsage);
    std::vector<RcDataResource> resources;
    for (std::size_t i = 2; i < arguments.size(); ++i)
        resources.push_back(ParseResourceArgument(arguments[i]));
    WriteSetupFile(arguments[0], arguments[1], resources);
}

} // namespace

RcDataResource ParseResourceArgument(const std::string& argument) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos)
        throw BuildError("'" + argument + "' is not NAME=text or NAME=@file");
    RcDataResource resource{argument.substr(0, equals), argument.substr(equals + 1)};
    if (!IsResourceName(resource.name))
        throw BuildError("'" + resource.name + "' is not a resource name (an upper-case word)");
    if (!resource.bytes.empty() && resource.bytes[0] == '@')
        resource.bytes = ReadWholeFile(resource.bytes.substr(1));
    return resource;
}

void RunCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty() || arguments[0] == "--help")
        throw BuildError(kUsage);
    RunLowLevel(arguments);
}

} // namespace setupkit::builder
