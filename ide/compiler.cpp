#include "ide/compiler.h"

#include "ide/compiler_output.h"
#include "lib/file.h"
#include "lib/ide_table.h"
#include "lib/line_list.h"
#include "lib/path.h"
#include "lib/temp_file.h"
#include "lib/text.h"
#include "lib/win32.h"

#include <vector>

namespace setupkit {
namespace {

struct CompilerChoice {
    const char* tool;
    const char* options;
};

bool IsDelphi(IdeKind kind) {
    return kIdeTable[static_cast<std::size_t>(kind)].isDelphi;
}

CompilerChoice ChooseCompiler(IdeKind kind, const std::string& extension) {
    if (IsDelphi(kind))
        return {"dcc32.exe", "-q -b"};
    if (SameText(extension, ".pas"))
        return {"dcc32.exe", "-q -b -JPHN"};
    // A C++Builder package's .bpk is a make file.
    return {"make.exe", "-B -f"};
}

std::string SystemMessage(DWORD code) {
    char buffer[256] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, buffer, sizeof buffer, nullptr);
    std::string message(buffer, length);
    while (!message.empty() &&
           (static_cast<unsigned char>(message.back()) <= ' ' || message.back() == '.'))
        message.pop_back();
    return message;
}

std::string StartFailureText(DWORD code) {
    const std::string message = SystemMessage(code);
    return (message.empty() ? std::string() : message + ". ") + "ErrorCode=" + std::to_string(code);
}

// The captured output, one line after another, each ended by CR LF; a
// Ctrl+Z ends the text as it does for console tools of the IDE's era. The
// compiler's console host may still hold the file when the compiler has ended.
std::string ReadCapturedLines(const std::string& path) {
    std::string text;
    if (file::OpenFileWhenFree(path))
        file::ReadAll(path, text);
    text = text.substr(0, text.find('\x1A'));
    LineList lines;
    // A zero byte the compiler wrote is text like any other.
    lines.SetWholeText(text);
    return lines.Text();
}

void MoveCompiledResult(const std::string& source, const std::string& destFolder,
                        const std::string& extension, std::string& outputPath) {
    const std::string compiled = path::ChangeFileExt(source, extension);
    const std::string target = path::AddBackslash(destFolder) +
                               path::ChangeFileExt(path::ExtractFileName(source), extension);
    // None of these outcomes is checked: a missing result is found by the
    // caller, which only registers packages that exist.
    ::DeleteFileA(target.c_str());
    if (!SameText(path::ExtractFileDrive(compiled), path::ExtractFileDrive(target))) {
        ::CopyFileA(compiled.c_str(), target.c_str(), FALSE);
        ::DeleteFileA(compiled.c_str());
    } else {
        ::MoveFileA(compiled.c_str(), target.c_str());
    }
    outputPath = target;
}

// What a successful build leaves beside the source, by the source's
// extension: the extension of the result that is moved (null for the IDE's
// package extension) and those of the by-products, in the order they go.
struct BuildResults {
    const char* source;
    const char* compiled;
    std::vector<const char*> byProducts;
};

const BuildResults* FindBuildResults(const std::string& source) {
    static const BuildResults kTable[] = {
        {".pas", ".dcu", {}},
        {".dpk", nullptr, {".dcu", ".dcp"}},
        {".bpk", nullptr, {".tds", ".obj"}},
        {".dpr", ".exe", {}},
    };
    for (const BuildResults& results : kTable)
        if (path::HasExtension(source, results.source))
            return &results;
    return nullptr;
}

} // namespace

bool RunProgram(const std::string& commandLine, const std::string& workFolder, bool capture,
                std::string& log, bool* started) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // Declared first so that the file is closed before it is deleted.
    TempFile captureFile;
    UniqueHandle output;
    if (capture) {
        captureFile.Reset(MakeTempFileName("tempfile"));
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        output.Reset(::CreateFileA(captureFile.Get().c_str(), GENERIC_WRITE, 0, &inheritable,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_ARCHIVE, nullptr));
        startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        startup.hStdOutput = output.Get();
    }

    std::vector<char> command(commandLine.begin(), commandLine.end());
    command.push_back('\0');
    PROCESS_INFORMATION info{};
    const bool created =
        ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         workFolder.empty() ? nullptr : workFolder.c_str(), &startup, &info);
    if (started)
        *started = created;
    if (!created) {
        log = StartFailureText(::GetLastError());
        return false;
    }
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    ::WaitForSingleObject(process.Get(), INFINITE);
    if (capture) {
        output.Reset();
        log = ReadCapturedLines(captureFile.Get());
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    log += "\r\nProgram failed with code (" + std::to_string(static_cast<int>(exitCode)) + ")";
    return exitCode == 0;
}

bool BuildPackage(IdeKind kind, const std::string& source, const std::string& destFolder,
                  std::string& outputPath, std::string& log) {
    const CompilerChoice compiler = ChooseCompiler(kind, path::ExtractFileExt(source));
    const std::string toolPath = IdeRootDir(kind) + "Bin\\" + compiler.tool;
    const std::string commandLine =
        "\"" + toolPath + "\" " + compiler.options + " \"" + source + "\"";
    bool started = false;
    const bool built = RunProgram(commandLine, path::ExtractFilePath(source), true, log, &started);
    if (!built) {
        // A compiler that never started printed no marker lines; its start
        // failure is the only explanation the user can get.
        if (started)
            log = FilterCompilerOutput(log);
        return false;
    }
    if (const BuildResults* results = FindBuildResults(source))
        MoveCompiledResult(source, destFolder,
                           results->compiled ? results->compiled : PackageExtension(kind),
                           outputPath);
    return true;
}

void DeleteByProducts(const std::string& source) {
    if (const BuildResults* results = FindBuildResults(source))
        for (const char* byProduct : results->byProducts)
            ::DeleteFileA(path::ChangeFileExt(source, byProduct).c_str());
}

} // namespace setupkit
