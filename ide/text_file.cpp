#include "ide/text_file.h"

#include "lib/file.h"
#include "lib/setup_error.h"

namespace setupkit {

LineList ReadTextFileLines(const std::string& path) {
    std::string text;
    if (!file::ReadAll(path, text))
        throw SetupError("Cannot read file \"" + path + "\"");
    LineList lines;
    // A zero byte is kept, unlike in a list assignment, so that the file is
    // written back as it was read.
    lines.SetWholeText(text);
    return lines;
}

void WriteTextFileLines(const std::string& path, const LineList& lines) {
    if (!file::WriteAll(path, lines.Text()))
        throw SetupError("Cannot write file \"" + path + "\"");
}

} // namespace setupkit
