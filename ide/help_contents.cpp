#include "ide/help_contents.h"

#include "ide/text_file.h"

namespace setupkit {

namespace {
const std::string kIndexPrefix = ":Index ";
}

int FindHelpIndex(const LineList& lines, const std::string& helpFile) {
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const auto eq = lines[i].find('=');
        if (eq != std::string::npos && lines[i].compare(eq + 1, std::string::npos, helpFile) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

std::size_t HelpIndexInsertionPoint(const LineList& lines) {
    std::size_t i = 0;
    while (i < lines.Count() && lines[i].find(kIndexPrefix) == std::string::npos)
        ++i;
    while (i < lines.Count() && lines[i].compare(0, kIndexPrefix.size(), kIndexPrefix) == 0)
        ++i;
    return i;
}

bool RemoveHelpIndexLine(LineList& lines, const std::string& helpFile) {
    const int found = FindHelpIndex(lines, helpFile);
    if (found < 0)
        return false;
    lines.Delete(static_cast<std::size_t>(found));
    return true;
}

bool RemoveHelpIndex(const std::string& helpFile, const std::string& contentsPath) {
    LineList lines = ReadTextFileLines(contentsPath);
    if (!RemoveHelpIndexLine(lines, helpFile))
        return false;
    WriteTextFileLines(contentsPath, lines);
    return true;
}

void AddHelpIndex(const std::string& helpFile, const std::string& title,
                  const std::string& contentsPath) {
    RemoveHelpIndex(helpFile, contentsPath);
    LineList lines = ReadTextFileLines(contentsPath);
    lines.Insert(HelpIndexInsertionPoint(lines), kIndexPrefix + title + " =" + helpFile);
    WriteTextFileLines(contentsPath, lines);
}

} // namespace setupkit
