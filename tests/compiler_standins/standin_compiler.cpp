// Stand-in for the IDE's command-line compiler and make tool, which cannot be
// installed here. It behaves as the setup expects of the real tools: the
// source is the last quoted argument, results and by-products are written
// beside it with its base name, diagnostics go to standard output one per
// line, and the exit code says whether the build succeeded.
//
// The source file steers it, so a test can ask for any outcome:
//   STANDIN-SAY <text>   print <text> as a line of compiler output
//   STANDIN-EXIT <n>     end with exit code <n> and write no result
// Like the real compiler, a package source whose `requires` clause names a
// package without a .dcp beside the source, in the IDE's Lib folder (beside
// this program's Bin folder) or in the system folder fails.
// Every run appends its command line to "standin.log" beside the source.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string LastQuotedArgument(const std::string& commandLine) {
    const auto close = commandLine.find_last_of('"');
    if (close == std::string::npos || close == 0)
        return std::string();
    const auto open = commandLine.find_last_of('"', close - 1);
    return open == std::string::npos ? std::string()
                                     : commandLine.substr(open + 1, close - open - 1);
}

std::string WithExtension(const std::string& path, const std::string& extension) {
    const auto slash = path.find_last_of("\\:");
    const auto dot = path.find_last_of('.');
    const bool hasDot = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasDot ? path.substr(0, dot) : path) + extension;
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// What a successful build leaves beside the source, by the source's kind.
std::vector<std::string> Products(const std::string& extension, bool isMake) {
    if (isMake)
        return {".bpl", ".tds", ".obj"};
    if (extension == ".dpk")
        return {".bpl", ".dcu", ".dcp"};
    if (extension == ".pas")
        return {".dcu"};
    if (extension == ".dpr")
        return {".exe"};
    return {".obj"};
}

// The text without its Pascal comments: { ... }, (* ... *) and // to the line end.
std::string WithoutComments(const std::string& text) {
    std::string kept;
    for (std::size_t i = 0; i < text.size();) {
        const char* close = text[i] == '{'                  ? "}"
                            : text.compare(i, 2, "(*") == 0 ? "*)"
                            : text.compare(i, 2, "//") == 0 ? "\n"
                                                            : nullptr;
        if (!close) {
            kept += text[i++];
            continue;
        }
        const auto end = text.find(close, i + 1);
        i = end == std::string::npos ? text.size() : end + std::strlen(close);
        kept += ' ';
    }
    return kept;
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// The package names of a package source's `requires` clause.
std::vector<std::string> RequiredPackages(const std::string& source) {
    const std::string text = WithoutComments(source);
    const std::string lower = Lower(text);
    std::size_t at = 0;
    while ((at = lower.find("requires", at)) != std::string::npos &&
           ((at > 0 && IsNameChar(text[at - 1])) || IsNameChar(text[at + 8])))
        ++at;
    std::vector<std::string> names;
    if (at == std::string::npos)
        return names;
    std::string name;
    for (at += 8; at < text.size() && text[at] != ';'; ++at) {
        if (IsNameChar(text[at]))
            name += text[at];
        else if (text[at] == ',' && !name.empty())
            names.push_back(std::exchange(name, std::string()));
    }
    if (!name.empty())
        names.push_back(name);
    return names;
}

// Where required packages are looked for besides the source's folder.
std::vector<std::string> PackageFolders() {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string bin(self);
    bin.erase(bin.find_last_of('\\'));
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    return {bin.substr(0, bin.find_last_of('\\') + 1) + "Lib\\", std::string(system) + "\\"};
}

bool Exists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The first required package whose .dcp is nowhere to be found; empty when all are there.
std::string MissingPackage(const std::string& text, const std::string& sourceFolder) {
    std::vector<std::string> folders = PackageFolders();
    folders.push_back(sourceFolder);
    for (const std::string& name : RequiredPackages(text)) {
        bool found = false;
        for (const std::string& folder : folders)
            found = found || Exists(folder + name + ".dcp");
        if (!found)
            return name;
    }
    return std::string();
}

void Touch(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

} // namespace

int main() {
    const std::string commandLine = ::GetCommandLineA();
    const std::string source = LastQuotedArgument(commandLine);
    const auto slash = source.find_last_of('\\');
    const std::string folder =
        slash == std::string::npos ? std::string() : source.substr(0, slash + 1);
    std::ofstream(folder + "standin.log", std::ios::app | std::ios::binary) << commandLine << "\n";

    std::ifstream in(source, std::ios::binary);
    if (!in) {
        std::printf("Fatal: F1026 File not found: '%s'\n", source.c_str());
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int exitCode = 0;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("STANDIN-SAY ", 0) == 0)
            std::printf("%s\n", line.substr(12).c_str());
        else if (line.rfind("STANDIN-SAYBYTES ", 0) == 0) // zero bytes included
            std::fwrite(line.data() + 17, 1, line.size() - 17, stdout), std::putchar('\n');
        else if (line.rfind("STANDIN-EXIT ", 0) == 0)
            exitCode = std::atoi(line.c_str() + 13);
    }
    if (exitCode != 0)
        return exitCode;
    const std::string extension = Lower(source.substr(source.find_last_of('.')));
    if (extension == ".dpk") {
        const std::string missing = MissingPackage(text, folder);
        if (!missing.empty()) {
            std::printf("Fatal: Required package '%s' not found\n", missing.c_str());
            return 1;
        }
    }

    const std::string self = Lower(commandLine.substr(0, commandLine.find(".exe")));
    const bool isMake = self.size() >= 4 && self.compare(self.size() - 4, 4, "make") == 0;
    for (const std::string& product : Products(extension, isMake))
        Touch(WithExtension(source, product), "compiled from " + source);
    return 0;
}
