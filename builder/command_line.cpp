#include "builder/command_line.h"

#include "builder/file_io.h"
#include "builder/product.h"
#include "builder/rar_writer.h"

#include <algorithm>
#include <iostream>
#include <map>

namespace setupkit::builder {
namespace {

const char kUsage[] = "usage: setupkit-build STUB OUT NAME=text|NAME=@file|NAME=@@text ...\n"
                      "       setupkit-build --product DIR --stub STUB --unrar DLL "
                      "--uninstaller EXE -o OUT\n"
                      "       setupkit-build --rar FOLDER -o OUT";

// Runs `build`, which writes `out` from `input`; when it fails, a file left at
// `out` by an earlier run goes too.
template <typename Build>
void Producing(const std::string& out, const std::string& input, Build build) {
    try {
        build();
    } catch (const BuildError&) {
        DiscardOutput(out, input);
        throw;
    }
}

void RunLowLevel(const std::vector<std::string>& arguments) {
    if (arguments.size() < 2)
        throw BuildError(kUsage);
    Producing(arguments[1], arguments[0], [&] {
        std::vector<RcDataResource> resources;
        for (std::size_t i = 2; i < arguments.size(); ++i)
            resources.push_back(ParseResourceArgument(arguments[i]));
        WriteSetupFile(arguments[0], arguments[1], resources);
    });
}

// "--name value" pairs; every one of `required` must be there.
std::map<std::string, std::string> Options(const std::vector<std::string>& arguments,
                                           const std::vector<std::string>& required) {
    std::map<std::string, std::string> options;
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        const bool known =
            std::find(required.begin(), required.end(), arguments[i]) != required.end();
        if (!known || i + 1 == arguments.size() ||
            !options.emplace(arguments[i], arguments[i + 1]).second)
            throw BuildError(kUsage);
    }
    if (options.size() != required.size())
        throw BuildError(kUsage);
    return options;
}

void RunProduct(const std::vector<std::string>& arguments) {
    auto options = Options(arguments, {"--product", "--stub", "--unrar", "--uninstaller", "-o"});
    Producing(options["-o"], options["--stub"], [&] {
        const Product product =
            ReadProduct(options["--product"], options["--unrar"], options["--uninstaller"]);
        for (const std::string& warning : product.warnings)
            std::cerr << "setupkit-build: warning: " << warning << "\n";
        WriteSetupFile(options["--stub"], options["-o"], product.resources);
    });
}

void RunRar(const std::vector<std::string>& arguments) {
    auto options = Options(arguments, {"--rar", "-o"});
    Producing(options["-o"], options["--rar"], [&] {
        WriteWholeFile(options["-o"], WriteRarArchive(CollectFolder(options["--rar"], true)));
    });
}

} // namespace

RcDataResource ParseResourceArgument(const std::string& argument) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos)
        throw BuildError("'" + argument + "' is not NAME=text or NAME=@file");
    RcDataResource resource{argument.substr(0, equals), argument.substr(equals + 1)};
    if (!IsResourceName(resource.name))
        throw BuildError("'" + resource.name + "' is not a resource name (an upper-case word)");
    if (resource.bytes.compare(0, 2, "@@") == 0)
        resource.bytes.erase(0, 1);
    else if (!resource.bytes.empty() && resource.bytes[0] == '@')
        resource.bytes = ReadWholeFile(resource.bytes.substr(1));
    return resource;
}

void RunCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty() || arguments[0] == "--help")
        throw BuildError(kUsage);
    if (arguments[0] == "--product")
        RunProduct(arguments);
    else if (arguments[0] == "--rar")
        RunRar(arguments);
    else
        RunLowLevel(arguments);
}

} // namespace setupkit::builder
