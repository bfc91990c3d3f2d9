#include "ide/text_file.h"

#include "lib/setup_error.h"

#include <fstream>
#include <iterator>

namespace setupkit {

LineList ReadTextFileLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw SetupError("Cannot read file \"" + path + "\"");
    LineList lines;
    // A zero byte is kept, unlike in a list assignment, so that the file is
    // written back as it was read.
    lines.SetWholeText(
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    return lines;
}

void WriteTextFileLines(const std::string& path, const LineList& lines) {
    const std::string text = lines.Text();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush())
        throw SetupError("Cannot write file \"" + path + "\"");
}

} // namespace setupkit
