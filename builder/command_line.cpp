#include "builder/command_line.h"

#include "builder/file_io.h"
#include "builder/product.h"
#include "builder/product_check.h"
#include "builder/progress.h"
#include "builder/rar_verify.h"
#include "builder/rar_writer.h"
#include "builder/setup_listing.h"
#include "builder/signing.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <utility>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;

struct OptionRule {
    const char* name;
    const char* value; // what the value is; null for an option that takes none
    const char* meaning;
};

const OptionRule kOptions[] = {
    {"--product", "DIR", "the product: DIR/product.ini and DIR/payload/"},
    {"--stub", "STUB", "the setup program without configuration, setup.exe of the build"},
    {"--unrar", "DLL", "the extraction library, unrar.dll of the build"},
    {"--uninstaller", "EXE", "the uninstaller, UnInstall.exe of the build"},
    {"-o", "OUT", "the file to write (a new file or an earlier output)"},
    {"--rar", "FOLDER", "the folder to write as a RAR archive"},
    {"--strict", nullptr, "warnings fail the command like errors"},
    {"--store", nullptr, "the payload stored, not packed"},
    {"--best", nullptr, "the payload packed as small as the encoder can, more slowly"},
    {"--no-verify", nullptr, "the packed archive is not decoded again before it is written"},
    {"--sign", "COMMAND",
     "signs the uninstaller, the library and the setup in place: COMMAND with %1 as the file"},
};

struct Arguments {
    std::map<std::string, std::string> options;
    std::vector<std::string> words; // the arguments that are not options
};

struct CommandRule {
    const char* word;      // the first word that selects it, or null
    const char* selecting; // the option that selects it, or null
    std::vector<std::string> required;
    std::vector<std::string> optional;
    std::size_t minWords; // words counting the command's own
    std::size_t maxWords;
    void (*run)(const Arguments& arguments);
};

std::string Usage() {
    std::string usage = "usage: setupkit-build --product DIR --stub STUB --unrar DLL "
                        "--uninstaller EXE -o OUT [--store|--best] [--strict] [--no-verify]\n"
                        "                      [--sign COMMAND]\n"
                        "       setupkit-build check --product DIR [--strict]\n"
                        "       setupkit-build list SETUP\n"
                        "       setupkit-build --rar FOLDER -o OUT [--store|--best] [--no-verify]\n"
                        "       setupkit-build STUB OUT NAME=text|NAME=@file|NAME=@@text ...\n"
                        "options, in any order:";
    for (const OptionRule& option : kOptions)
        usage += std::string("\n  ") + option.name + (option.value ? " " : "") +
                 (option.value ? option.value : "") + ": " + option.meaning;
    return usage;
}

[[noreturn]] void UsageError(const std::string& problem) {
    throw BuildError(problem + "\n" + Usage(), ExitCode::Usage);
}

bool LooksLikeOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

Arguments ParseArguments(const std::vector<std::string>& arguments) {
    Arguments parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (!LooksLikeOption(arguments[i])) {
            parsed.words.push_back(arguments[i]);
            continue;
        }
        const auto rule = std::find_if(std::begin(kOptions), std::end(kOptions),
                                       [&](const OptionRule& r) { return arguments[i] == r.name; });
        if (rule == std::end(kOptions))
            UsageError("unknown option '" + arguments[i] + "'");
        std::string value;
        if (rule->value) {
            if (i + 1 == arguments.size() || LooksLikeOption(arguments[i + 1]))
                UsageError(std::string(rule->name) + " needs a value (" + rule->value + ")");
            value = arguments[++i];
        }
        if (!parsed.options.emplace(rule->name, value).second)
            UsageError(std::string(rule->name) + " is given twice");
    }
    return parsed;
}

// Prints the findings; throws when they fail the command.
void Report(const std::vector<Finding>& findings, bool strict) {
    std::size_t errors = 0;
    for (const Finding& finding : findings) {
        std::cerr << finding.text << "\n";
        errors += finding.isError ? 1 : 0;
    }
    const std::size_t warnings = findings.size() - errors;
    if (errors > 0 || (strict && warnings > 0))
        throw BuildError(std::to_string(errors) + " error(s), " + std::to_string(warnings) +
                         " warning(s)" + (errors > 0 ? "" : " (--strict)") + "; nothing written");
}

// Packed and solid unless a level switch says otherwise.
RarOptions LevelOf(const Arguments& arguments) {
    const bool store = arguments.options.count("--store") != 0;
    const bool best = arguments.options.count("--best") != 0;
    if (store && best)
        UsageError("--store and --best exclude each other");
    return RarOptions{store ? RarLevel::Store : best ? RarLevel::Best : RarLevel::Default, true};
}

// Reads the archive just written back, unless the vendor checks it otherwise.
void Verify(const Arguments& arguments, const std::string& archive,
            const std::vector<PackedEntry>& packed) {
    if (arguments.options.count("--no-verify") != 0)
        return;
    ProgressMeter progress(std::cerr, "checked");
    VerifyRarArchive(archive, packed, progress.Counter());
}

// Writes `out` with `write`; the output is checked first, and a failure
// leaves no file there.
template <typename Write>
void Produce(const std::string& out, const std::vector<std::string>& inputs, Write write) {
    CheckOutputPath(out, inputs);
    try {
        write();
    } catch (const BuildError&) {
        DiscardOutput(out, inputs);
        throw;
    }
}

// A copy of the file at `path` in a scratch file beside the output, signed
// there; the build then takes the copy.
std::string SignedCopy(const std::string& path, const std::string& scratch,
                       const std::string& command, std::optional<OutputFile>& copy) {
    copy.emplace(scratch);
    copy->Write(ReadWholeFile(path));
    copy->Close();
    SignInPlace(command, copy->TemporaryPath());
    return copy->TemporaryPath();
}

void RunProduct(const Arguments& arguments) {
    const auto& options = arguments.options;
    const std::string& dir = options.at("--product");
    const std::string& stub = options.at("--stub");
    const std::string& unrar = options.at("--unrar");
    const std::string& uninstaller = options.at("--uninstaller");
    const std::string& out = options.at("-o");
    const auto sign = options.find("--sign");
    if (sign != options.end() && !NamesTheFile(sign->second))
        UsageError("--sign needs %1 in its command where the path of the file to sign goes");
    Produce(out, {stub, unrar, uninstaller, dir}, [&] {
        std::vector<Finding> findings = CheckProduct(dir);
        const std::vector<Finding> parts = CheckStubAndLibrary(stub, unrar);
        findings.insert(findings.end(), parts.begin(), parts.end());
        Report(findings, options.count("--strict") != 0);
        RefuseSigned(stub, "stub");
        RefuseSigned(uninstaller, "uninstaller");
        std::optional<OutputFile> uninstallerCopy, unrarCopy;
        const std::string uninstallerPath =
            sign == options.end()
                ? uninstaller
                : SignedCopy(uninstaller, out + ".uninstaller", sign->second, uninstallerCopy);
        const std::string unrarPath =
            sign == options.end() ? unrar
                                  : SignedCopy(unrar, out + ".unrar", sign->second, unrarCopy);
        // The archive goes to a scratch file beside the output first: its
        // size places everything after it in the setup file.
        OutputFile archive(out + ".payload");
        const Product built = [&] {
            ProgressMeter progress(std::cerr, "packed");
            return ReadProduct(dir, unrarPath, uninstallerPath, LevelOf(arguments), archive,
                               progress.Counter());
        }();
        Verify(arguments, archive.TemporaryPath(), built.packed);
        for (const std::string& warning : built.warnings)
            std::cerr << "setupkit-build: warning: " << warning << "\n";
        VersionStrings version = built.version;
        version.fileName = fs::u8path(out).filename().u8string();
        const SetupLook look{VersionResource(version), built.icon};
        if (sign == options.end())
            return WriteSetupFile(stub, out, built.resources, look);
        // Signed last: nothing changes the file after it.
        WriteSetupFile(stub, out, built.resources, look,
                       [&](const std::string& path) { SignInPlace(sign->second, path); });
    });
}

void RunCheck(const Arguments& arguments) {
    const std::string& dir = arguments.options.at("--product");
    const std::vector<Finding> findings = CheckProduct(dir);
    Report(findings, arguments.options.count("--strict") != 0);
    std::cout << dir << ": " << (findings.empty() ? "no problems found" : "no errors") << "\n";
}

void RunList(const Arguments& arguments) {
    ListSetup(arguments.words[1], std::cout);
}

void RunRar(const Arguments& arguments) {
    const std::string& folder = arguments.options.at("--rar");
    const std::string& out = arguments.options.at("-o");
    Produce(out, {folder}, [&] {
        OutputFile archive(out);
        std::vector<PackedEntry> packed;
        {
            ProgressMeter progress(std::cerr, "packed");
            packed = WriteRarArchive(CollectFolder(folder, true), LevelOf(arguments), archive,
                                     progress.Counter());
        }
        Verify(arguments, archive.TemporaryPath(), packed);
        archive.Commit();
    });
}

void RunLowLevel(const Arguments& arguments) {
    const std::vector<std::string>& words = arguments.words;
    std::vector<std::string> inputs{words[0]};
    for (std::size_t i = 2; i < words.size(); ++i) {
        const std::string value = words[i].substr(words[i].find('=') + 1);
        if (value.compare(0, 1, "@") == 0 && value.compare(0, 2, "@@") != 0)
            inputs.push_back(value.substr(1));
    }
    Produce(words[1], inputs, [&] {
        std::vector<RcDataResource> resources;
        for (std::size_t i = 2; i < words.size(); ++i)
            resources.push_back(ParseResourceArgument(words[i]));
        WriteSetupFile(words[0], words[1], resources);
    });
}

const CommandRule kCommands[] = {
    {"check", nullptr, {"--product"}, {"--strict"}, 1, 1, RunCheck},
    {"list", nullptr, {}, {}, 2, 2, RunList},
    {nullptr,
     "--product",
     {"--product", "--stub", "--unrar", "--uninstaller", "-o"},
     {"--strict", "--store", "--best", "--no-verify", "--sign"},
     0,
     0,
     RunProduct},
    {nullptr, "--rar", {"--rar", "-o"}, {"--store", "--best", "--no-verify"}, 0, 0, RunRar},
    {nullptr, nullptr, {}, {}, 2, SIZE_MAX, RunLowLevel},
};

const CommandRule& SelectCommand(const Arguments& arguments) {
    for (const CommandRule& command : kCommands) {
        if (command.word && !arguments.words.empty() && arguments.words[0] == command.word)
            return command;
        if (command.selecting && arguments.options.count(command.selecting))
            return command;
        if (!command.word && !command.selecting)
            return command;
    }
    UsageError("no command");
}

void CheckArguments(const CommandRule& command, const Arguments& arguments) {
    for (const std::string& name : command.required)
        if (!arguments.options.count(name))
            UsageError(name + " is missing");
    for (const auto& [name, value] : arguments.options)
        if (std::find(command.required.begin(), command.required.end(), name) ==
                command.required.end() &&
            std::find(command.optional.begin(), command.optional.end(), name) ==
                command.optional.end())
            UsageError(name + " does not belong to this command");
    if (arguments.words.size() < command.minWords)
        UsageError(arguments.words.empty() ? "nothing to do"
                                           : arguments.words[0] + " needs more arguments");
    if (arguments.words.size() > command.maxWords)
        UsageError("unexpected argument '" + arguments.words.back() + "'");
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
        resource.file = std::exchange(resource.bytes, {}).substr(1);
    return resource;
}

void RunCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty() || arguments == std::vector<std::string>{"--help"})
        throw BuildError(Usage(), ExitCode::Usage);
    const Arguments parsed = ParseArguments(arguments);
    const CommandRule& command = SelectCommand(parsed);
    CheckArguments(command, parsed);
    command.run(parsed);
}

} // namespace setupkit::builder
