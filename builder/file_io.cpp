#include "builder/file_io.h"

#include "builder/build_error.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace setupkit::builder {

namespace fs = std::filesystem;

std::string ReadWholeFile(const std::string& path) {
    std::error_code error;
    if (!fs::is_regular_file(fs::u8path(path), error))
        throw BuildError("cannot read '" + path + "': no such file");
    std::ifstream in(fs::u8path(path), std::ios::binary | std::ios::ate);
    std::string bytes(in ? static_cast<std::size_t>(in.tellg()) : 0, '\0');
    if (!in || !in.seekg(0) || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        throw BuildError("cannot read '" + path + "'");
    return bytes;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    const fs::path target = fs::u8path(path);
    fs::path temporary = target;
    temporary += ".partial";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored; // the write already failed; that is the error reported
            fs::remove(temporary, ignored);
            throw BuildError("cannot write '" + path + "'");
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw BuildError("cannot write '" + path + "': " + error.message());
    }
}

void DiscardOutput(const std::string& outPath, const std::string& inputPath) {
    std::error_code ignored; // best effort: the build's own error is what gets reported
    if (fs::is_regular_file(fs::u8path(outPath), ignored) &&
        !fs::equivalent(fs::u8path(inputPath), fs::u8path(outPath), ignored))
        fs::remove(fs::u8path(outPath), ignored);
}

} // namespace setupkit::builder
