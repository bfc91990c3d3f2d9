#include "ide/help.h"

#include "ide/help_contents.h"
#include "lib/setup_error.h"
#include "lib/text.h"
#include "lib/win32.h"
#include "records/registry.h"
#include "setup/driver.h"

namespace setupkit {
namespace {

LineList ReadContentsFile(const std::string& path) {
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw SetupError("Cannot read " + path);
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    LineList lines;
    lines.SetText(text);
    return lines;
}

void WriteContentsFile(const std::string& path, const LineList& lines) {
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string text = lines.Text();
    DWORD written = 0;
    if (!file ||
        !::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size())
        throw SetupError("Cannot write " + path);
}

bool IsWinHelpFile(const std::string& name) {
    const std::string file = ExtractFileName(name);
    const auto dot = file.find_last_of('.');
    return dot != std::string::npos && SameText(file.substr(dot), ".HLP");
}

} // namespace

void RemoveHelpIndex(const std::string& helpFile, const std::string& contentsPath) {
    LineList lines = ReadContentsFile(contentsPath);
    if (RemoveHelpIndexLine(lines, helpFile))
        WriteContentsFile(contentsPath, lines);
}

void AddHelpIndex(const std::string& helpFile, const std::string& title,
                  const std::string& contentsPath) {
    RemoveHelpIndex(helpFile, contentsPath);
    LineList lines = ReadContentsFile(contentsPath);
    lines.Insert(HelpIndexInsertionPoint(lines), ":Index " + title + " =" + helpFile);
    WriteContentsFile(contentsPath, lines);
}

void MergeHelpFiles() {
    if (driver::IdeHelpContents.empty())
        return;
    for (const std::string& line : driver::HelpFiles) {
        const std::string helpFile = TextBefore(line, "=");
        if (!IsWinHelpFile(helpFile))
            continue;
        AddHelpIndex(helpFile, TextAfter(line, "="), driver::IdeHelpContents);
        driver::InstalledHelps.Add(helpFile);
    }
    WriteUninstallValue(driver::AppName, "INSTALLEDHELPS", driver::InstalledHelps.Text());
}

} // namespace setupkit
