#include "builder/signing.h"

#include "builder/build_error.h"
#include "builder/file_io.h"
#include "builder/pe_image.h"

#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace setupkit::builder {
namespace {

constexpr char kPathMark[] = "%1";

// A path as one word of the shell the command runs in.
std::string Quoted(const std::string& path) {
#ifdef _WIN32
    return "\"" + path + "\"";
#else
    std::string quoted = "'";
    for (char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
#endif
}

int ExitCodeOf(int status) {
#ifdef _WIN32
    return status;
#else
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

} // namespace

bool NamesTheFile(const std::string& command) {
    return command.find(kPathMark) != std::string::npos;
}

void SignInPlace(const std::string& command, const std::string& path) {
    std::string line = command;
    for (std::size_t at = line.find(kPathMark); at != std::string::npos;
         at = line.find(kPathMark, at + 1)) {
        const std::string quoted = Quoted(path);
        line.replace(at, 2, quoted);
        at += quoted.size() - 1;
    }
    const int code = ExitCodeOf(std::system(line.c_str()));
    if (code != 0)
        throw BuildError("the sign command failed on '" + path + "' (exit code " +
                         std::to_string(code) + "); nothing was written");
}

void RefuseSigned(const std::string& path, const std::string& what) {
    bool isSigned = false;
    try {
        isSigned = PeImage(ReadWholeFile(path)).IsSigned();
    } catch (const BuildError&) {
        return; // not an image: other checks say what is wrong with it
    }
    if (isSigned)
        throw BuildError("the " + what + " '" + path +
                         "' is signed already, and what the build does with it breaks that "
                         "signature: give the unsigned file, and sign with --sign");
}

} // namespace setupkit::builder
