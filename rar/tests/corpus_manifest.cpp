#include "rar/tests/corpus_manifest.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace rar::test {
namespace {

enum Column {
    kArchive,
    kSolid = 4,
    kPath,
    kIsDir,
    kSize,
    kSha256,
    kDictKb,
    kDecoder,
    kFeatures,
    kExpect = 13
};
constexpr std::size_t kColumns = 14;

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\x") == 0 && i + 3 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += text[i] == '\\' ? '/' : text[i];
        }
    }
    return out;
}

std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream split(line);
    std::string cell;
    while (std::getline(split, cell, '\t'))
        cells.push_back(cell);
    if (cells.size() < kColumns - 1)
        throw std::runtime_error("manifest row with too few columns: " + line);
    cells.resize(kColumns);
    return cells;
}

ManifestRow RowFrom(const std::vector<std::string>& cells) {
    ManifestRow row;
    row.path = Unescape(cells[kPath]);
    row.isDir = cells[kIsDir] == "1";
    row.hasData = cells[kSize] != "-";
    row.size = row.hasData ? std::stoull(cells[kSize]) : 0;
    row.sha256 = cells[kSha256];
    row.dictionaryBytes = cells[kDictKb] == "-" ? 0 : std::stoull(cells[kDictKb]) * 1024;
    row.decoder = cells[kDecoder];
    row.features = cells[kFeatures];
    row.expect = cells[kExpect];
    return row;
}

} // namespace

bool ManifestRow::HasFeature(const std::string& feature) const {
    std::stringstream split(features);
    std::string item;
    while (std::getline(split, item, '+'))
        if (item == feature)
            return true;
    return false;
}

std::vector<ManifestArchive> ManifestArchives(const std::filesystem::path& manifest,
                                              const std::string& prefix) {
    std::ifstream in(manifest);
    if (!in)
        throw std::runtime_error("cannot read " + manifest.string());
    std::vector<ManifestArchive> archives;
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        const std::vector<std::string> cells = Cells(line);
        if (cells[kArchive].rfind(prefix, 0) != 0)
            continue;
        if (archives.empty() || archives.back().name != cells[kArchive])
            archives.push_back({cells[kArchive], cells[kSolid] == "1", {}});
        archives.back().rows.push_back(RowFrom(cells));
    }
    return archives;
}

} // namespace rar::test
