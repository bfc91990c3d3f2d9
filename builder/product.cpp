#include "builder/product.h"

#include "builder/file_io.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;

const char kCrLf[] = "\r\n";

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

class DescriptionParser {
  public:
    std::vector<RcDataResource> Parse(const std::string& text) {
        for (const std::string& line : SplitLines(text)) {
            ++lineNumber_;
            if (line.empty() || line[0] == ';')
                continue;
            if (line[0] == '[')
                StartList(line);
            else if (inList_)
                resources_.back().bytes += line + kCrLf;
            else
                AddValue(line);
        }
        return resources_;
    }

  private:
    void StartList(const std::string& line) {
        if (line.back() != ']')
            Fail("a section header must end with ']'");
        Add(line.substr(1, line.size() - 2), {});
        inList_ = true;
    }

    void AddValue(const std::string& line) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            Fail("expected NAME=value or [NAME]");
        Add(line.substr(0, equals), line.substr(equals + 1));
    }

    void Add(const std::string& name, const std::string& bytes) {
        if (!IsResourceName(name))
            Fail("'" + name + "' is not a resource name (an upper-case word)");
        if (name == "CABFILE" || name == "UNRARDLL")
            Fail(name + " is made by the builder and cannot be given here");
        const bool repeated =
            std::any_of(resources_.begin(), resources_.end(),
                        [&](const RcDataResource& resource) { return resource.name == name; });
        if (repeated)
            Fail(name + " is given twice");
        resources_.push_back({name, bytes});
    }

    [[noreturn]] void Fail(const std::string& message) const {
        throw BuildError("product.ini line " + std::to_string(lineNumber_) + ": " + message);
    }

    std::vector<RcDataResource> resources_;
    int lineNumber_ = 0;
    bool inList_ = false;
};

// Archive names compare as the setup's file system compares them.
bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::vector<RcDataResource> ParseProductDescription(const std::string& text) {
    return DescriptionParser().Parse(text);
}

bool AddUninstaller(std::vector<RarEntry>& entries, const std::string& uninstaller) {
    const bool vendorsOwn = std::any_of(entries.begin(), entries.end(), [](const RarEntry& entry) {
        return !entry.isFolder && SameName(entry.name, UninstallerName);
    });
    if (!vendorsOwn)
        entries.push_back({UninstallerName, uninstaller, false});
    return !vendorsOwn;
}

Product ReadProduct(const std::string& productDir, const std::string& unrarPath,
                    const std::string& uninstallerPath) {
    const fs::path dir = fs::u8path(productDir);
    Product product;
    product.resources = ParseProductDescription(ReadWholeFile((dir / "product.ini").u8string()));
    // No folder entries: the setup records only the folders it makes for the
    // files it writes, and a folder the extraction library made for a folder
    // entry would be left behind by the uninstaller.
    std::vector<RarEntry> payload = CollectFolder((dir / "payload").u8string(), false);
    if (!AddUninstaller(payload, ReadWholeFile(uninstallerPath)))
        product.warnings.push_back(std::string("the payload brings its own ") + UninstallerName +
                                   "; it is installed instead of " + uninstallerPath);
    product.resources.push_back({"CABFILE", WriteRarArchive(payload)});
    product.resources.push_back({"UNRARDLL", ReadWholeFile(unrarPath)});
    return product;
}

} // namespace setupkit::builder
