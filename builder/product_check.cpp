#include "builder/product_check.h"

#include "builder/file_io.h"
#include "builder/pe_image.h"
#include "builder/resource_tree.h"
#include "builder/version_info.h"
#include "lib/ide_table.h"
#include "lib/text.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;

enum class Form {
    Value,
    FlagOnUnlessNo,
    FlagOffUnlessYes,
    IdeCode,
    NameValueList,
    NameList,
    HelpList
};

struct KeyRule {
    const char* name;
    Form form;
    const char* whenMissing; // why the key is required; null when it is not
    const char* example;
};

// The resources the setup reads; CABFILE and UNRARDLL come from the builder.
const KeyRule kKeys[] = {
    {"APPNAME", Form::Value, "the welcome box and every message would name nothing",
     "APPNAME=Grid for Delphi 5"},
    {"PRODUCTNAME", Form::Value, "no earlier version would be found and nothing recorded",
     "PRODUCTNAME=Grid Components"},
    {"SUBPRODUCTNAME", Form::Value, nullptr, ""},
    {"VERSION", Form::Value, nullptr, ""},
    {"INSTALLDIR", Form::Value, "the setup would propose no destination folder",
     "INSTALLDIR=%PROGRAMFILES%Grid"},
    {"PROMPTINSTALLDIR", Form::FlagOnUnlessNo, nullptr, ""},
    {"CHECKPREVVERSION", Form::FlagOnUnlessNo, nullptr, ""},
    {"CHECKDELPHI", Form::FlagOnUnlessNo, nullptr, ""},
    {"SUCCESSMESSAGE", Form::FlagOffUnlessYes, nullptr, ""},
    {"DELPHIVER", Form::IdeCode, "the setup would stop with \"Incompatible version\"",
     "DELPHIVER=D5"},
    {"RUNAFTERINSTALL", Form::Value, nullptr, ""},
    {"BUILDPACKAGES", Form::NameValueList, nullptr, "package.dpk=description"},
    {"PACKAGES", Form::NameValueList, nullptr, "package.bpl=description"},
    {"SYSFILES", Form::NameList, nullptr, "file.dll"},
    {"HELPFILES", Form::HelpList, nullptr, "file.hlp=title"},
    {"PROGLINKS", Form::NameValueList, nullptr, "caption=program.exe"},
    // Not read by the setup: the builder makes the setup file's version
    // resource and icon from them.
    {"PUBLISHER", Form::Value, nullptr, ""},
    {"COPYRIGHT", Form::Value, nullptr, ""},
    {"ICON", Form::Value, nullptr, ""},
};

// The IDE whose code is exactly `code`, or null.
const IdeFacts* FindIde(const std::string& code) {
    const auto found = std::find_if(std::begin(kIdeTable), std::end(kIdeTable),
                                    [&](const IdeFacts& ide) { return code == ide.code; });
    return found == std::end(kIdeTable) ? nullptr : found;
}

const KeyRule* FindRule(const std::string& name) {
    const auto found = std::find_if(std::begin(kKeys), std::end(kKeys),
                                    [&](const KeyRule& rule) { return name == rule.name; });
    return found == std::end(kKeys) ? nullptr : found;
}

bool IsList(Form form) {
    return form == Form::NameValueList || form == Form::NameList || form == Form::HelpList;
}

std::string LowerCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    return first == std::string::npos
               ? ""
               : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The known key a mistyped one most likely meant, or empty.
std::string Suggestion(const std::string& name) {
    const std::string upper = UpperCase(name);
    std::string best;
    std::size_t bestDistance = 3;
    for (const KeyRule& rule : kKeys) {
        const std::string key = rule.name;
        const bool extended = upper.size() > key.size() ? upper.compare(0, key.size(), key) == 0
                                                        : key.compare(0, upper.size(), upper) == 0;
        const std::size_t distance = extended && upper.size() >= 4 ? 1 : EditDistance(upper, key);
        if (distance < bestDistance) {
            best = key;
            bestDistance = distance;
        }
    }
    return best;
}

// A list line's file name as the setup takes it, or a problem with the line.
struct ItemName {
    std::string name;
    std::string problem;
};

ItemName NameOf(Form form, const std::string& key, const std::string& line) {
    const std::size_t equals = line.find('=');
    const KeyRule& rule = *FindRule(key);
    const std::string before = line.substr(0, equals);
    if (FindRule(before) && !IsList(FindRule(before)->form))
        return {{},
                before + " is a single value but stands in the [" + key +
                    "] section, where it is a list line: move it above the first section"};
    if (form == Form::NameList && equals != std::string::npos)
        return {{},
                "'" + line + "': " + key +
                    " lines are bare file names, so this one matches "
                    "no file: write " +
                    before};
    if (form == Form::NameValueList && equals == std::string::npos)
        return {{}, "'" + line + "' has no '=': write it as " + rule.example};
    const std::string name = form == Form::NameList ? line : before;
    if (name.empty())
        return {{}, "'" + line + "' names nothing before '=': write it as " + rule.example};
    if (Trim(name) != name)
        return {{},
                "'" + name +
                    "' has blanks around it, which become part of the name, so it "
                    "matches no file: write '" +
                    Trim(name) + "'"};
    return {name, {}};
}

std::vector<Finding> CheckFlag(const DescriptionEntry& entry, Form form) {
    const std::string& value = entry.value;
    if (value == "Yes" || value == "No")
        return {};
    const std::string meant = LowerCase(Trim(value));
    if (meant != "yes" && meant != "no")
        return {IniFinding(true, entry.line, entry.name,
                           "'" + value + "' is not a flag: write " + entry.name + "=Yes or " +
                               entry.name + "=No")};
    const char* effect = form == Form::FlagOnUnlessNo ? "on" : "off";
    const std::string exact = meant == "yes" ? "Yes" : "No";
    return {IniFinding(false, entry.line, entry.name,
                       "'" + value + "' is not exactly " + exact +
                           " (letter case and blanks count), so the setup leaves the option " +
                           effect + ": write " + entry.name + "=" + exact)};
}

std::vector<Finding> CheckIdeCode(const DescriptionEntry& entry) {
    const auto known = [](const std::string& code) { return FindIde(code) != nullptr; };
    if (known(entry.value))
        return {};
    std::string squeezed = UpperCase(entry.value);
    squeezed.erase(std::remove(squeezed.begin(), squeezed.end(), ' '), squeezed.end());
    if (!known(squeezed) && !squeezed.empty())
        squeezed = std::string(1, squeezed.front()) + squeezed.back();
    return {IniFinding(true, entry.line, entry.name,
                       "'" + entry.value +
                           "' is not an IDE code the setup knows (D2, C1, D3, C3, D4, C4, D5), so "
                           "it would stop with \"Incompatible version\": write " +
                           (known(squeezed) ? "DELPHIVER=" + squeezed : "one of them"))};
}

std::vector<Finding> CheckEntry(const DescriptionEntry& entry) {
    const KeyRule* rule = FindRule(entry.name);
    if (!rule) {
        const std::string suggestion = Suggestion(entry.name);
        const std::string fixed =
            entry.isList ? "[" + suggestion + "]" : suggestion + "=" + entry.value;
        return {IniFinding(true, entry.line, entry.name,
                           "the setup reads no resource of this name" +
                               (suggestion.empty()
                                    ? std::string(": remove it")
                                    : ": did you mean " + suggestion + "? write " + fixed))};
    }
    if (IsList(rule->form) && !entry.isList)
        return {IniFinding(true, entry.line, entry.name,
                           entry.name + " is a list: write a [" + entry.name +
                               "] section after the single values, one line each, like " +
                               rule->example)};
    if (!IsList(rule->form) && entry.isList)
        return {IniFinding(true, entry.line, entry.name,
                           entry.name + " is a single value: write " + entry.name +
                               "=... before the first section")};
    std::vector<Finding> findings;
    if (rule->form == Form::FlagOnUnlessNo || rule->form == Form::FlagOffUnlessYes)
        findings = CheckFlag(entry, rule->form);
    if (rule->form == Form::IdeCode)
        findings = CheckIdeCode(entry);
    for (const DescriptionLine& item : entry.items) {
        const ItemName name = NameOf(rule->form, entry.name, item.text);
        if (!name.problem.empty())
            findings.push_back(IniFinding(true, item.number, entry.name, name.problem));
    }
    return findings;
}

int FirstSectionLine(const ProductDescription& description) {
    for (const DescriptionEntry& entry : description.entries)
        if (entry.isList)
            return entry.line;
    return 1;
}

// Whether a finding already names `key`: a line that meant to give it but
// was malformed, or a misspelt name taken for it.
bool AlreadyTold(const ProductDescription& description, const std::string& key) {
    if (std::find(description.meant.begin(), description.meant.end(), key) !=
        description.meant.end())
        return true;
    return std::any_of(description.entries.begin(), description.entries.end(),
                       [&](const DescriptionEntry& entry) {
                           return !FindRule(entry.name) && Suggestion(entry.name) == key;
                       });
}

std::vector<Finding> CheckRequired(const ProductDescription& description) {
    std::vector<Finding> findings;
    for (const KeyRule& rule : kKeys) {
        const DescriptionEntry* entry = description.Find(rule.name);
        if (!entry && AlreadyTold(description, rule.name))
            continue;
        if (rule.whenMissing && (!entry || entry->value.empty()))
            findings.push_back(IniFinding(
                true, entry ? entry->line : FirstSectionLine(description), rule.name,
                std::string(entry ? "empty" : "missing") + ", so " + rule.whenMissing + ": write " +
                    rule.example + (entry ? "" : " before the first section")));
    }
    return findings;
}

std::vector<Finding> CheckVersionInName(const ProductDescription& description) {
    const DescriptionEntry* name = description.Find("APPNAME");
    const DescriptionEntry* version = description.Find("VERSION");
    if (!name || !version || Trim(version->value).empty() ||
        name->value.find(Trim(version->value)) == std::string::npos)
        return {};
    return {IniFinding(false, name->line, "APPNAME",
                       "holds the version '" + Trim(version->value) +
                           "', and the welcome box adds VERSION after the name: write APPNAME "
                           "without the version")};
}

// Names the setup records where one character breaks the record: the
// uninstall command puts APPNAME in double quotes, and the product's and
// sub-product's records are registry keys of their names.
std::vector<Finding> CheckRecordNames(const ProductDescription& description) {
    struct Rule {
        const char* key;
        char refused;
        const char* why;
    };
    const char* const keyPath = "names a registry key of the product's records, where a "
                                "backslash starts a key below it (a lone one names the shared "
                                "list of products itself): write the name without it";
    const Rule rules[] = {
        {"APPNAME", '"',
         "the uninstall command puts the name in double quotes, so UnInstall.exe would be told "
         "another name: write the name without them"},
        {"PRODUCTNAME", '\\', keyPath},
        {"SUBPRODUCTNAME", '\\', keyPath},
    };
    std::vector<Finding> findings;
    for (const Rule& rule : rules) {
        const DescriptionEntry* entry = description.Find(rule.key);
        if (entry && !entry->isList && entry->value.find(rule.refused) != std::string::npos)
            findings.push_back(
                IniFinding(true, entry->line, rule.key,
                           "'" + entry->value + "' holds " +
                               (rule.refused == '"' ? "a double quote" : "a backslash") + ", and " +
                               rule.why));
    }
    return findings;
}

// `{$RUNONLY}` or `{$RUNONLY ON}`, in any letter case.
bool IsRuntimeOnly(const std::string& packageSource) {
    const std::string source = LowerCase(packageSource);
    for (std::size_t at = source.find("{$runonly"); at != std::string::npos;
         at = source.find("{$runonly", at + 1)) {
        const std::size_t close = source.find('}', at);
        const std::string rest = Trim(source.substr(at + 9, close - at - 9));
        if (close != std::string::npos && (rest.empty() || rest == "on"))
            return true;
    }
    return false;
}

std::string BareName(const std::string& path, const char* separators) {
    const std::size_t last = path.find_last_of(separators);
    return last == std::string::npos ? path : path.substr(last + 1);
}

class ListNameChecker {
  public:
    ListNameChecker(const ProductDescription& description, const std::vector<PayloadFile>& payload)
        : description_(description) {
        for (const PayloadFile& file : payload) {
            byBareName_.emplace(LowerCase(BareName(file.name, "\\")), &file);
            byPath_.emplace(LowerCase(file.name), &file);
        }
    }

    std::vector<Finding> Check() {
        for (const char* key : {"BUILDPACKAGES", "PACKAGES", "SYSFILES", "HELPFILES"})
            ForEachName(key,
                        [&](int line, const std::string& name) { CheckFile(key, line, name); });
        CheckLinks();
        CheckRunAfterInstall();
        return std::move(findings_);
    }

  private:
    template <typename Visit> void ForEachName(const char* key, Visit visit) {
        const DescriptionEntry* entry = description_.Find(key);
        if (!entry || !entry->isList)
            return;
        for (const DescriptionLine& item : entry->items) {
            const ItemName name = NameOf(FindRule(key)->form, key, item.text);
            if (name.problem.empty())
                visit(item.number, name.name);
        }
    }

    // The first payload file of this bare name in archive order, or null.
    const PayloadFile* Named(const std::string& bareName) const {
        const auto found = byBareName_.find(LowerCase(bareName));
        return found == byBareName_.end() ? nullptr : found->second;
    }

    void CheckFile(const std::string& key, int line, const std::string& name) {
        if (name.find_first_of("\\/") != std::string::npos) {
            const std::string bare = BareName(name, "\\/");
            return Error(line, key,
                         "'" + name + "' is a path, but the setup matches bare file names " +
                             "wherever they are in the payload: write " + bare);
        }
        const PayloadFile* file = Named(name);
        if (!file)
            return Error(line, key,
                         "no file named '" + name +
                             "' in the payload, so the setup would skip it without a word: add "
                             "the file to payload/ or correct the name");
        if (const std::string all = AllNamed(name); !all.empty())
            return Error(line, key,
                         "'" + name + "' is the name of several payload files (" + all +
                             "), and the setup takes every one of them for it: give the files "
                             "different names, or keep one");
        if (key == "BUILDPACKAGES" && Lists("SYSFILES", name))
            return Error(line, key,
                         "'" + name +
                             "' is in SYSFILES too, so it is installed into the system folder "
                             "and compiled there, where no package comes out: remove it from "
                             "SYSFILES");
        if (key == "PACKAGES")
            CheckCompiledPackage(line, name);
        if (key == "BUILDPACKAGES" && IsRuntimeOnly(ReadWholeFile(file->path.u8string())))
            findings_.push_back(IniFinding(
                false, line, key,
                file->name + " is a runtime-only package ({$RUNONLY}), which the setup would "
                             "register with the IDE as a design-time package: build it yourself "
                             "and ship it in SYSFILES, or remove the line"));
    }

    // Every payload file of this bare name when there are several, or empty.
    std::string AllNamed(const std::string& bareName) const {
        const auto [first, last] = byBareName_.equal_range(LowerCase(bareName));
        if (std::distance(first, last) < 2)
            return {};
        std::string all;
        for (auto it = first; it != last; ++it)
            all += (all.empty() ? "" : ", ") + it->second->name;
        return all;
    }

    // Whether the list `key` names the file `bareName`.
    bool Lists(const char* key, const std::string& bareName) {
        bool listed = false;
        ForEachName(key, [&](int, const std::string& name) {
            listed = listed || LowerCase(name) == LowerCase(bareName);
        });
        return listed;
    }

    // A ready-made package is registered with the IDE as it is: it must be one
    // the target IDE loads.
    void CheckCompiledPackage(int line, const std::string& name) {
        const DescriptionEntry* code = description_.Find("DELPHIVER");
        const IdeFacts* ide = code ? FindIde(code->value) : nullptr;
        if (!ide)
            return; // the IDE code has its own finding
        const std::string extension =
            LowerCase(name.substr(std::min(name.rfind('.'), name.size())));
        const std::string wanted = LowerCase(ide->packageExtension);
        if (wanted.empty())
            return Error(line, "PACKAGES",
                         std::string(ide->code) +
                             " has no packages, so the setup has nothing to register: remove the "
                             "[PACKAGES] section");
        if (extension != wanted)
            Error(line, "PACKAGES",
                  "'" + name + "' is not a compiled package of " + ide->code + " (" +
                      ide->packageExtension + "), which the IDE would fail to load" +
                      (extension == ".dpk"
                           ? ": compile the source with [BUILDPACKAGES] instead"
                           : ": list the " + std::string(ide->packageExtension) + " file"));
    }

    void CheckLinks() {
        const DescriptionEntry* links = description_.Find("PROGLINKS");
        if (!links || !links->isList)
            return;
        for (const DescriptionLine& item : links->items) {
            const std::size_t equals = item.text.find('=');
            if (equals == std::string::npos)
                continue;
            const std::string program = Trim(item.text.substr(equals + 1));
            const std::string bare = BareName(program, "\\:");
            const bool atTop = byPath_.count(LowerCase(bare)) != 0;
            for (const char* key : {"SYSFILES", "HELPFILES"})
                if (atTop && Lists(key, bare))
                    Error(item.number, "PROGLINKS",
                          "'" + bare + "' is listed in " + key +
                              ", so it does not land in the destination folder the shortcut "
                              "points to: link another file or remove it from " +
                              key);
            if (atTop && bare == program)
                continue;
            const PayloadFile* elsewhere = Named(BareName(program, "\\/:"));
            if (atTop)
                findings_.push_back(
                    IniFinding(false, item.number, "PROGLINKS",
                               "'" + program +
                                   "': only the file name counts, the shortcut points to "
                                   "INSTALLDIR\\" +
                                   bare + ": write " + bare));
            else
                Error(item.number, "PROGLINKS",
                      "the shortcut would point to INSTALLDIR\\" + bare +
                          ", but the payload's top folder holds no '" + bare + "'" +
                          (elsewhere ? " (it holds " + elsewhere->name + ")" : "") +
                          ": put the program at the top of payload/");
        }
    }

    void CheckRunAfterInstall() {
        const DescriptionEntry* entry = description_.Find("RUNAFTERINSTALL");
        if (!entry || entry->isList || entry->value.empty())
            return;
        std::string path = entry->value;
        std::replace(path.begin(), path.end(), '/', '\\');
        const std::string bare = BareName(path, "\\");
        if (!byPath_.count(LowerCase(path))) {
            const PayloadFile* elsewhere = Named(bare);
            return Error(entry->line, entry->name,
                         "the setup opens INSTALLDIR\\" + entry->value +
                             ", but the payload holds no such file: write the path below "
                             "payload/" +
                             (elsewhere ? ", here RUNAFTERINSTALL=" + elsewhere->name : ""));
        }
        for (const char* key : {"SYSFILES", "HELPFILES"})
            ForEachName(key, [&](int, const std::string& name) {
                if (LowerCase(name) == LowerCase(bare))
                    Error(entry->line, entry->name,
                          "'" + bare + "' is listed in " + key +
                              ", so it does not land in the destination folder where the setup "
                              "opens it: offer another file or remove it from " +
                              key);
            });
    }

    void Error(int line, const std::string& key, const std::string& message) {
        findings_.push_back(IniFinding(true, line, key, message));
    }

    const ProductDescription& description_;
    std::multimap<std::string, const PayloadFile*> byBareName_;
    std::map<std::string, const PayloadFile*> byPath_;
    std::vector<Finding> findings_;
};

void Append(std::vector<Finding>& to, const std::vector<Finding>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

} // namespace

std::vector<Finding> CheckDescription(const ProductDescription& description) {
    if (description.unreadable)
        return {}; // its one finding says why; nothing in it can be judged
    std::vector<Finding> findings;
    for (const DescriptionEntry& entry : description.entries)
        Append(findings, CheckEntry(entry));
    Append(findings, CheckRequired(description));
    Append(findings, CheckVersionInName(description));
    Append(findings, CheckRecordNames(description));
    return findings;
}

std::vector<Finding> CheckListNames(const ProductDescription& description,
                                    const std::vector<PayloadFile>& payload) {
    return ListNameChecker(description, payload).Check();
}

// What the version resource and the icon are made from.
std::vector<Finding> CheckSetupFileKeys(const ProductDescription& description,
                                        const fs::path& dir) {
    std::vector<Finding> findings;
    const DescriptionEntry* version = description.Find("VERSION");
    if (version && !version->isList && !NumericVersion(version->value))
        findings.push_back(IniFinding(
            false, version->line, "VERSION",
            "'" + version->value +
                "' is not one to four numbers with dots between (like 1.4 or 2.0.1.15), so the "
                "setup file's properties show its version as 0.0.0.0 (the text stays as given)"));
    const DescriptionEntry* icon = description.Find("ICON");
    if (!icon || icon->isList || icon->value.empty())
        return findings;
    const fs::path path = fs::u8path(icon->value);
    std::error_code error;
    const std::string problem =
        path.is_absolute() ? "give the path relative to the product folder"
        : !path.empty() && *path.begin() == "payload"
            ? "the setup's own icon is not a file to install: keep it outside payload/"
        : !fs::is_regular_file(dir / path, error) ? "there is no such file in the product folder"
        : !ReadIconFile(ReadWholeFile((dir / path).u8string()))
            ? "is not an icon file (.ico): save the icon in that format"
            : "";
    if (!problem.empty())
        findings.push_back(
            IniFinding(true, icon->line, "ICON", "'" + icon->value + "': " + problem));
    return findings;
}

std::vector<Finding> CheckProduct(const std::string& productDir) {
    const fs::path dir = fs::u8path(productDir);
    const ProductDescription description =
        ReadProductDescription(ReadWholeFile((dir / "product.ini").u8string()));
    std::vector<Finding> findings = description.findings;
    Append(findings, CheckDescription(description));
    const PayloadScan payload = ScanPayload((dir / "payload").u8string());
    Append(findings, payload.findings);
    Append(findings, CheckListNames(description, payload.files));
    Append(findings, CheckSetupFileKeys(description, dir));
    return findings;
}

std::vector<Finding> CheckStubAndLibrary(const std::string& stubPath,
                                         const std::string& unrarPath) {
    const auto problem = [](const std::string& path, const std::string& message) {
        return Finding{true, path + ": " + message};
    };
    std::vector<Finding> findings;
    try {
        const PeImage stub(ReadWholeFile(stubPath));
        if (stub.IsDll())
            return {problem(stubPath, "is a DLL, not the setup program: are --stub and --unrar "
                                      "swapped?")};
        const ResourceDirectory tree = ReadResourceTree(stub);
        const ResourceEntry* rcData = tree.Find(ResourceKey::Id(10));
        std::string carried;
        for (const ResourceEntry& entry : rcData && rcData->directory
                                              ? rcData->directory->entries
                                              : std::vector<ResourceEntry>{}) {
            const std::string name(entry.key.name.begin(), entry.key.name.end());
            if (entry.key.named && (FindRule(name) || name == "CABFILE" || name == "UNRARDLL"))
                carried += (carried.empty() ? "" : ", ") + name;
        }
        if (!carried.empty())
            findings.push_back(problem(
                stubPath, "already carries configuration resources (" + carried +
                              "): it is a built setup; give the stub, setup.exe of the build"));
    } catch (const BuildError& error) {
        if (error.Code() != ExitCode::CheckFailed)
            throw;
        findings.push_back(problem(stubPath, std::string(error.what()) + ": give the setup stub"));
    }
    try {
        if (!PeImage(ReadWholeFile(unrarPath)).IsDll())
            findings.push_back(problem(unrarPath, "is a program, not the extraction library: are "
                                                  "--stub and --unrar swapped?"));
    } catch (const BuildError& error) {
        if (error.Code() != ExitCode::CheckFailed)
            throw;
        findings.push_back(problem(unrarPath, std::string(error.what()) +
                                                  ": give the extraction library unrar.dll"));
    }
    return findings;
}

} // namespace setupkit::builder
