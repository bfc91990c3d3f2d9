#include "builder/payload_check.h"

#include "builder/build_error.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <system_error>

namespace setupkit::builder {
namespace {

namespace fs = std::filesystem;

// The ANSI file functions take paths of fewer than MAX_PATH characters.
constexpr std::size_t kMaxPath = 260;

std::string LowerCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsDeviceName(const std::string& name) {
    // Windows takes these as devices whatever extension follows.
    const std::string base = LowerCase(name.substr(0, name.find('.')));
    if (base == "con" || base == "prn" || base == "aux" || base == "nul")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// Why Windows cannot hold `name` (one component), or empty.
std::string WhyNotAWindowsName(const std::string& name) {
    if (std::any_of(name.begin(), name.end(), [](char c) { return c & 0x80; }))
        return "is not ASCII; the setup writes names with the ANSI functions, where other "
               "characters arrive changed: rename it with ASCII letters";
    const auto reserved = std::find_if(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 ||
               std::string("<>:\"/\\|?*").find(c) != std::string::npos;
    });
    if (reserved != name.end())
        return std::string("holds '") + (*reserved == '\\' ? "\\" : std::string(1, *reserved)) +
               "', which Windows does not allow in a name: rename it";
    if (IsDeviceName(name))
        return "is a device name on Windows (CON, PRN, AUX, NUL, COM1-9, LPT1-9), with or "
               "without extension: rename it";
    if (name.back() == '.' || name.back() == ' ')
        return "ends with a dot or a blank, which Windows drops: rename it";
    return {};
}

class PayloadScanner {
  public:
    explicit PayloadScanner(const fs::path& root) : root_(fs::weakly_canonical(root)) {}

    PayloadScan Scan() {
        ScanFolder(root_, "");
        std::sort(scan_.files.begin(), scan_.files.end(),
                  [](const PayloadFile& a, const PayloadFile& b) { return a.name < b.name; });
        return std::move(scan_);
    }

  private:
    void ScanFolder(const fs::path& folder, const std::string& prefix) {
        std::error_code error;
        std::vector<fs::path> children;
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error))
            children.push_back(it->path());
        if (error)
            throw BuildError("cannot read the folder '" + folder.u8string() +
                                 "': " + error.message(),
                             ExitCode::InputOutput);
        if (children.empty() && !prefix.empty())
            Report(false, prefix.substr(0, prefix.size() - 1),
                   "an empty folder is not installed (the setup makes only the folders its "
                   "files need): put a file in it or remove it");
        std::sort(children.begin(), children.end());
        for (const fs::path& child : children)
            ScanEntry(child, prefix + child.filename().u8string());
    }

    void ScanEntry(const fs::path& path, const std::string& name) {
        const std::string why = WhyNotAWindowsName(path.filename().u8string());
        if (!why.empty())
            return Report(true, name, why);
        if (kTypicalDestinationLength + name.size() >= kMaxPath)
            Report(true, name,
                   "the path is " + std::to_string(name.size()) +
                       " characters long and reaches the 260 that Windows allows under a "
                       "typical destination (C:\\Program Files\\ and a folder of 40 characters): "
                       "shorten it below " +
                       std::to_string(kMaxPath - kTypicalDestinationLength) + " characters");
        const auto [first, isNew] = byLowerCase_.emplace(LowerCase(name), name);
        if (!isNew)
            Report(
                true, name,
                "differs from '" + first->second +
                    "' only in letter case, and Windows keeps one of them: rename or remove one");
        std::error_code error;
        const fs::file_status status = fs::symlink_status(path, error);
        if (fs::is_symlink(status))
            ScanLink(path, name);
        else if (fs::is_directory(status))
            ScanFolder(path, name + "\\");
        else if (fs::is_regular_file(status))
            scan_.files.push_back({name, path});
        else
            Report(true, name,
                   "is a special file (pipe, socket or device), which cannot be installed: "
                   "remove it");
    }

    void ScanLink(const fs::path& path, const std::string& name) {
        std::error_code error;
        const fs::path target = fs::canonical(path, error);
        if (error)
            return Report(true, name, "is a link to nothing: remove it or copy the file in");
        const auto mismatch =
            std::mismatch(root_.begin(), root_.end(), target.begin(), target.end());
        if (mismatch.first != root_.end())
            return Report(true, name,
                          "is a link to '" + target.u8string() +
                              "' outside the payload: copy the file in instead");
        if (fs::is_directory(target, error))
            return Report(true, name,
                          "is a link to a folder, which is not followed: copy the "
                          "folder in instead");
        scan_.files.push_back({name, path});
    }

    void Report(bool isError, const std::string& name, const std::string& message) {
        std::string shown = name;
        std::replace(shown.begin(), shown.end(), '\\', '/');
        scan_.findings.push_back(
            {isError, "payload/" + shown + ": " + (isError ? "" : "warning: ") + message});
    }

    fs::path root_;
    PayloadScan scan_;
    std::map<std::string, std::string> byLowerCase_;
};

} // namespace

PayloadScan ScanPayload(const std::string& folder) {
    if (!fs::is_directory(fs::u8path(folder)))
        throw BuildError("'" + folder + "' is not a folder: the product needs its payload there",
                         ExitCode::InputOutput);
    return PayloadScanner(fs::u8path(folder)).Scan();
}

} // namespace setupkit::builder
