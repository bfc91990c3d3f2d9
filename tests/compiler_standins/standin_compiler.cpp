// Stand-in for the IDE's command-line compiler and make tool, which cannot be
// installed here. It behaves as the setup expects of the real tools: the
// source is the last quoted argument, results and by-products are written
// beside it with its base name, diagnostics go to standard output one per
// line, and the exit code says whether the build succeeded.
//
// The source file steers it, so a test can ask for any outcome:
//   STANDIN-SAY <text>   print <text> as a line of compiler output
//   STANDIN-EXIT <n>     end with exit code <n> and write no result
// Every run appends its command line to "standin.log" beside the source.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
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
    int exitCode = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("STANDIN-SAY ", 0) == 0)
            std::printf("%s\n", line.substr(12).c_str());
        else if (line.rfind("STANDIN-EXIT ", 0) == 0)
            exitCode = std::atoi(line.c_str() + 13);
    }
    if (exitCode != 0)
        return exitCode;

    const std::string self = Lower(commandLine.substr(0, commandLine.find(".exe")));
    const bool isMake = self.size() >= 4 && self.compare(self.size() - 4, 4, "make") == 0;
    const std::string extension = Lower(source.substr(source.find_last_of('.')));
    for (const std::string& product : Products(extension, isMake))
        Touch(WithExtension(source, product), "compiled from " + source);
    return 0;
}
