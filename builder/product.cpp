#include "builder/product.h"

#include "builder/ansi_text.h"
#include "builder/file_io.h"
#include "lib/text.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;

const char kCrLf[] = "\r\n";

// The line of the first carriage return that no line feed follows, or 0.
int FirstLoneCarriageReturn(const std::string& text) {
    for (std::size_t at = text.find('\r'); at != std::string::npos; at = text.find('\r', at + 1))
        if (at + 1 == text.size() || text[at + 1] != '\n')
            return 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
    return 0;
}

class DescriptionReader {
  public:
    ProductDescription Read(const std::string& text) {
        if (RefusedAsAWhole(text)) {
            description_.unreadable = true;
            return description_;
        }
        // Editors that save UTF-8 with a byte order mark are common; the mark
        // is no part of the first name.
        const bool bom = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
        const std::string body = bom ? text.substr(3) : text;
        utf8_ = IsUtf8(body);
        for (const std::string& line : SplitLines(body)) {
            ++lineNumber_;
            ReadLine(line);
        }
        return description_;
    }

  private:
    bool RefusedAsAWhole(const std::string& text) {
        if (text.compare(0, 2, "\xFF\xFE") == 0 || text.compare(0, 2, "\xFE\xFF") == 0)
            Error(1, "", "the file is UTF-16 text: save product.ini as UTF-8 without BOM");
        else if (const int line = FirstLoneCarriageReturn(text))
            Error(line, "",
                  "the lines end with a carriage return alone, so the file reads "
                  "as one line: save product.ini with CR LF or LF line ends");
        return !description_.findings.empty();
    }

    void ReadLine(const std::string& raw) {
        if (raw.empty() || raw[0] == ';')
            return;
        const std::optional<std::string> line =
            utf8_ ? Utf8ToWindows1252(raw)
                  : (IsWindows1252(raw) ? std::optional<std::string>(raw) : std::nullopt);
        if (!line) {
            Meant(raw.substr(0, raw.find_first_of("=]")));
            Error(lineNumber_, raw.substr(0, raw.find_first_of("=]")),
                  "holds a character outside the Windows ANSI code page (Windows-1252), which "
                  "the setup cannot show: write it with letters of western European languages");
            return;
        }
        if ((*line)[0] == '[')
            StartList(*line);
        else if (inList_)
            AddItem(*line);
        else
            AddValue(*line);
    }

    void StartList(const std::string& line) {
        inList_ = true;
        list_ = -1;
        if (line.back() != ']')
            Error(lineNumber_, "", "'" + line + "': a section header must end with ']'");
        else if (Add(line.substr(1, line.size() - 2), true, {}))
            list_ = static_cast<int>(description_.entries.size()) - 1;
    }

    void AddItem(const std::string& line) {
        if (list_ >= 0)
            description_.entries[static_cast<std::size_t>(list_)].items.push_back(
                {lineNumber_, line});
    }

    void AddValue(const std::string& line) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            Error(lineNumber_, "", "'" + line + "': expected NAME=value or [NAME]");
        else
            Add(line.substr(0, equals), false, line.substr(equals + 1));
    }

    bool Add(const std::string& name, bool isList, const std::string& value) {
        if (!IsResourceName(name)) {
            const std::string upper = UpperCase(TrimBlanks(name));
            const std::string fixed = isList ? "[" + upper + "]" : upper + "=" + TrimBlanks(value);
            Meant(upper);
            Error(lineNumber_, name,
                  "not a resource name (an upper-case word" +
                      std::string(TrimBlanks(name) != name ? " without blanks around it" : "") +
                      ")" + (IsResourceName(upper) ? ": write " + fixed : std::string()));
            return false;
        }
        if (name == "CABFILE" || name == "UNRARDLL") {
            Error(lineNumber_, name,
                  "made by the builder from the payload and --unrar, not given here: remove the "
                  "line");
            return false;
        }
        if (const DescriptionEntry* earlier = description_.Find(name)) {
            Error(lineNumber_, name,
                  "given twice (also on line " + std::to_string(earlier->line) + "): keep one");
            return false;
        }
        description_.entries.push_back({name, lineNumber_, isList, value, {}});
        return true;
    }

    void Error(int line, const std::string& key, const std::string& message) {
        description_.findings.push_back(IniFinding(true, line, key, message));
    }

    void Meant(const std::string& key) { description_.meant.push_back(UpperCase(TrimBlanks(key))); }

    static std::string TrimBlanks(const std::string& text) {
        const std::size_t first = text.find_first_not_of(" \t");
        return first == std::string::npos
                   ? std::string()
                   : text.substr(first, text.find_last_not_of(" \t") - first + 1);
    }

    ProductDescription description_;
    int lineNumber_ = 0;
    bool utf8_ = true;
    bool inList_ = false;
    int list_ = -1; // the entry that list lines go to; none after a bad header
};

} // namespace

Finding IniFinding(bool isError, int line, const std::string& key, const std::string& message) {
    return {isError, "product.ini:" + std::to_string(line) + ": " +
                         (key.empty() ? "" : key + ": ") + (isError ? "" : "warning: ") + message};
}

const DescriptionEntry* ProductDescription::Find(const std::string& name) const {
    const auto found =
        std::find_if(entries.begin(), entries.end(),
                     [&](const DescriptionEntry& entry) { return entry.name == name; });
    return found == entries.end() ? nullptr : &*found;
}

bool IsSetupFileKey(const std::string& name) {
    return std::find(std::begin(kSetupFileKeys), std::end(kSetupFileKeys), name) !=
           std::end(kSetupFileKeys);
}

std::vector<RcDataResource> ProductDescription::Resources() const {
    std::vector<RcDataResource> resources;
    for (const DescriptionEntry& entry : entries) {
        if (IsSetupFileKey(entry.name))
            continue;
        std::string bytes = entry.value;
        for (const DescriptionLine& item : entry.items)
            bytes += item.text + kCrLf;
        resources.push_back({entry.name, bytes});
    }
    return resources;
}

ProductDescription ReadProductDescription(const std::string& text) {
    return DescriptionReader().Read(text);
}

namespace {

// The description, or BuildError for its first mistake of form.
ProductDescription ReadWellFormed(const std::string& text) {
    ProductDescription description = ReadProductDescription(text);
    for (const Finding& finding : description.findings)
        if (finding.isError)
            throw BuildError(finding.text);
    return description;
}

} // namespace

std::vector<RcDataResource> ParseProductDescription(const std::string& text) {
    return ReadWellFormed(text).Resources();
}

bool AddUninstaller(std::vector<RarEntry>& entries, const std::string& uninstaller) {
    const bool vendorsOwn = std::any_of(entries.begin(), entries.end(), [](const RarEntry& entry) {
        return !entry.isFolder && SameText(entry.name, kUninstallerName);
    });
    if (!vendorsOwn)
        entries.push_back({kUninstallerName, uninstaller, false});
    return !vendorsOwn;
}

Product ReadProduct(const std::string& productDir, const std::string& unrarPath,
                    const std::string& uninstallerPath, const RarOptions& rar, OutputFile& archive,
                    const ProgressCounter& progress) {
    const fs::path dir = fs::u8path(productDir);
    Product product;
    const ProductDescription description =
        ReadWellFormed(ReadWholeFile((dir / "product.ini").u8string()));
    product.resources = description.Resources();
    const auto value = [&](const char* name) {
        const DescriptionEntry* entry = description.Find(name);
        return entry ? entry->value : std::string();
    };
    product.version = {
        value("PUBLISHER"), value("APPNAME"), value("VERSION"), value("COPYRIGHT"), {}};
    if (!value("ICON").empty()) {
        const std::string icon = (dir / fs::u8path(value("ICON"))).u8string();
        product.icon = ReadIconFile(ReadWholeFile(icon)).value_or(std::vector<IconImage>{});
        if (product.icon.empty())
            throw BuildError("'" + icon + "' is not an icon file (.ico)");
    }
    // No folder entries: the setup records only the folders it makes for the
    // files it writes, and a folder the extraction library made for a folder
    // entry would be left behind by the uninstaller.
    std::vector<RarEntry> payload = CollectFolder((dir / "payload").u8string(), false);
    if (!AddUninstaller(payload, ReadWholeFile(uninstallerPath)))
        product.warnings.push_back(std::string("the payload brings its own ") + kUninstallerName +
                                   "; it is installed instead of " + uninstallerPath);
    product.packed = WriteRarArchive(payload, rar, archive, progress);
    product.resources.push_back({"CABFILE", {}, archive.TemporaryPath()});
    product.resources.push_back({"UNRARDLL", {}, unrarPath});
    return product;
}

} // namespace setupkit::builder
