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
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
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

// The files a product build takes, as named on the command line.
struct ProductInputs {
    std::string dir, stub, unrar, uninstaller, out;
    std::optional<std::string> sign; // the vendor's sign command
};

ProductInputs InputsOf(const Arguments& arguments) {
    const auto& options = arguments.options;
    ProductInputs inputs{options.at("--product"),     options.at("--stub"), options.at("--unrar"),
                         options.at("--uninstaller"), options.at("-o"),     std::nullopt};
    if (const auto sign = options.find("--sign"); sign != options.end()) {
        if (!NamesTheFile(sign->second))
            UsageError("--sign needs %1 in its command where the path of the file to sign goes");
        inputs.sign = sign->second;
    }
    return inputs;
}

void CheckInputs(const ProductInputs& inputs, bool strict) {
    std::vector<Finding> findings = CheckProduct(inputs.dir);
    const std::vector<Finding> parts = CheckStubAndLibrary(inputs.stub, inputs.unrar);
    findings.insert(findings.end(), parts.begin(), parts.end());
    Report(findings, strict);
    RefuseSigned(inputs.stub, "stub");
    RefuseSigned(inputs.uninstaller, "uninstaller");
}

// The file at `path`, or with a sign command a copy of it in a scratch file
// beside the output, signed there; the build then takes the copy.
std::string Signed(const ProductInputs& inputs, const std::string& path, const char* suffix,
                   std::optional<OutputFile>& copy) {
    if (!inputs.sign)
        return path;
    copy.emplace(inputs.out + suffix);
    copy->Write(ReadWholeFile(path));
    copy->Close();
    SignInPlace(*inputs.sign, copy->TemporaryPath());
    return copy->TemporaryPath();
}

std::string SizeText(std::uint64_t bytes) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1);
    if (bytes < 1024 * 1024)
        text << static_cast<double>(bytes) / 1024 << " KB";
    else
        text << static_cast<double>(bytes) / (1024 * 1024) << " MB";
    return text.str();
}

// One line on what was built: files, payload, setup size, ratio, time.
void PrintSummary(const ProductInputs& inputs, const Product& built,
                  std::chrono::steady_clock::time_point started) {
    std::uint64_t files = 0, payload = 0;
    for (const PackedEntry& entry : built.packed) {
        files += entry.isFolder ? 0 : 1;
        payload += entry.size;
    }
    std::error_code ignored;
    const std::uintmax_t setup = fs::file_size(fs::u8path(inputs.out), ignored);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::ostringstream line;
    line << std::fixed << std::setprecision(1) << inputs.out << ": " << files << " files, "
         << SizeText(payload) << " of payload, setup " << SizeText(setup) << " ("
         << (payload ? 100.0 * static_cast<double>(setup) / static_cast<double>(payload) : 0.0)
         << " %), " << seconds << " s";
    std::cout << line.str() << "\n";
}

void RunProduct(const Arguments& arguments) {
    const auto started = std::chrono::steady_clock::now();
    const ProductInputs inputs = InputsOf(arguments);
    Product built;
    Produce(inputs.out, {inputs.stub, inputs.unrar, inputs.uninstaller, inputs.dir}, [&] {
        CheckInputs(inputs, arguments.options.count("--strict") != 0);
        std::optional<OutputFile> uninstallerCopy, unrarCopy;
        const std::string uninstaller =
            Signed(inputs, inputs.uninstaller, ".uninstaller", uninstallerCopy);
        const std::string unrar = Signed(inputs, inputs.unrar, ".unrar", unrarCopy);
        // The archive goes to a scratch file beside the output first: its
        // size places everything after it in the setup file.
        OutputFile archive(inputs.out + ".payload");
        {
            ProgressMeter progress(std::cerr, "packed");
            built = ReadProduct(inputs.dir, unrar, uninstaller, LevelOf(arguments), archive,
                                progress.Counter());
        }
        Verify(arguments, archive.TemporaryPath(), built.packed);
        for (const std::string& warning : built.warnings)
            std::cerr << "setupkit-build: warning: " << warning << "\n";
        VersionStrings version = built.version;
        version.fileName = fs::u8path(inputs.out).filename().u8string();
        // Signed last: nothing changes the file after it.
        WriteSetupFile(inputs.stub, inputs.out, built.resources,
                       {VersionResource(version), built.icon}, [&](const std::string& path) {
                           if (inputs.sign)
                               SignInPlace(*inputs.sign, path);
                       });
    });
    PrintSummary(inputs, built, started);
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
