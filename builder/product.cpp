#include "builder/product.h"

#include "builder/file_io.h"
#include "builder/rar_writer.h"

#include <algorithm>
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

} // namespace

std::vector<RcDataResource> ParseProductDescription(const std::string& text) {
    return DescriptionParser().Parse(text);
}

std::vector<RcDataResource> ReadProduct(const std::string& productDir,
                                        const std::string& unrarPath) {
    const fs::path dir = fs::u8path(productDir);
    std::vector<RcDataResource> resources =
        ParseProductDescription(ReadWholeFile((dir / "product.ini").u8string()));
    const std::string payload = (dir / "payload").u8string();
    // No folder entries: the setup records only the folders it makes for the
    // files it writes, and a folder the extraction library made for a folder
    // entry would be left behind by the uninstaller.
    resources.push_back({"CABFILE", WriteRarArchive(CollectFolder(payload, false))});
    resources.push_back({"UNRARDLL", ReadWholeFile(unrarPath)});
    return resources;
}

} // namespace setupkit::builder
