#include "builder/setup_listing.h"

#include "builder/build_error.h"
#include "builder/file_io.h"
#include "builder/pe_image.h"
#include "builder/resource_tree.h"
#include "lib/text.h"
#include "rar/format/archive.h"
#include "rar/format/status.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <random>
#include <utility>
#include <vector>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;

using Resources = std::vector<std::pair<std::string, std::string>>;

const char* const kListNames[] = {"BUILDPACKAGES", "PACKAGES", "SYSFILES", "HELPFILES",
                                  "PROGLINKS"};
const char* const kMethodNames[] = {"stored", "fastest", "fast", "normal", "good", "best"};

Resources ConfigurationResources(const std::string& setupPath) {
    const ResourceDirectory tree = ReadResourceTree(PeImage(ReadWholeFile(setupPath)));
    const ResourceEntry* rcData = tree.Find(ResourceKey::Id(10));
    Resources resources;
    if (rcData && rcData->directory)
        for (const ResourceEntry& name : rcData->directory->entries)
            if (name.key.named && name.directory && !name.directory->entries.empty())
                resources.emplace_back(std::string(name.key.name.begin(), name.key.name.end()),
                                       name.directory->entries.front().data.bytes);
    if (resources.empty())
        throw BuildError(setupPath + " carries no configuration resources: it is no built setup");
    return resources;
}

const std::string* Find(const Resources& resources, const std::string& name) {
    const auto found = std::find_if(resources.begin(), resources.end(),
                                    [&](const auto& resource) { return resource.first == name; });
    return found == resources.end() ? nullptr : &found->second;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// Quoted, with line ends and other control characters made visible.
std::string Shown(const std::string& text) {
    std::string shown = "\"";
    for (const char c : text) {
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
            shown += escaped;
        } else
            shown += c;
    }
    return shown + "\"";
}

void PrintResources(const Resources& resources, std::ostream& out) {
    out << "Configuration resources:\n";
    for (const auto& [name, bytes] : resources) {
        const bool isList =
            std::find(std::begin(kListNames), std::end(kListNames), name) != std::end(kListNames);
        if (name == "CABFILE" || name == "UNRARDLL")
            out << "  " << name << ": " << bytes.size() << " bytes\n";
        else if (isList) {
            out << "  [" << name << "]\n";
            for (const std::string& line : Lines(bytes))
                out << "    " << line << "\n";
        } else
            out << "  " << name << "=" << Shown(bytes) << "\n";
    }
}

// A list resource holds `name` as a whole line or, with `byName`, as the
// name of a name=value line.
bool Lists(const std::string* list, const std::string& name, bool byName) {
    if (!list)
        return false;
    for (const std::string& line : Lines(*list))
        if (SameText(line, name) || (byName && SameText(line.substr(0, line.find('=')), name)))
            return true;
    return false;
}

// Where the setup puts an entry, as SYSFILES and HELPFILES decide.
std::string Destination(const Resources& resources, const rar::Entry& entry) {
    std::string path = entry.name;
    std::replace(path.begin(), path.end(), '/', '\\');
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    if (entry.isDirectory)
        return "INSTALLDIR\\" + path + "\\ (folder)";
    if (Lists(Find(resources, "SYSFILES"), name, false))
        return "system folder\\" + name;
    if (Lists(Find(resources, "HELPFILES"), name, true))
        return "IDE help folder\\" + name + " (INSTALLDIR\\" + path + " when the IDE has none)";
    return "INSTALLDIR\\" + path;
}

// The archive in a file of its own, for the library, removed again afterwards.
class ArchiveCopy {
  public:
    explicit ArchiveCopy(const std::string& bytes) {
        std::random_device random;
        path_ = fs::temp_directory_path() / ("setupkit-list-" + std::to_string(random()) + ".rar");
        WriteWholeFile(path_.u8string(), bytes);
    }
    ~ArchiveCopy() {
        std::error_code ignored; // a temporary file left behind is no reason to fail
        fs::remove(path_, ignored);
    }
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

void PrintEntries(const Resources& resources, std::ostream& out) {
    const std::string* cabfile = Find(resources, "CABFILE");
    if (!cabfile)
        throw BuildError("the setup carries no CABFILE archive");
    const ArchiveCopy copy(*cabfile);
    rar::Archive archive(copy.Path());
    out << "Archive entries:\n"
        << std::setw(12) << "size"
        << "  method   goes to\n";
    while (archive.NextEntry()) {
        const rar::Entry& entry = archive.Current();
        const char* method = entry.method < 6 ? kMethodNames[entry.method] : "unknown";
        out << std::setw(12) << entry.unpackedSize << "  " << std::left << std::setw(8) << method
            << std::right << " " << Destination(resources, entry) << "\n";
    }
}

} // namespace

void ListSetup(const std::string& setupPath, std::ostream& out) {
    const Resources resources = ConfigurationResources(setupPath);
    PrintResources(resources, out);
    try {
        PrintEntries(resources, out);
    } catch (const rar::ArchiveError& error) {
        throw BuildError("the setup's archive cannot be read: " + std::string(error.what()));
    }
}

} // namespace setupkit::builder
