#include "records/file_references.h"

#include "lib/text.h"
#include "records/installed_products.h"
#include "records/registry.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace setupkit {
namespace {

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Upper-case names of the values the key holds, read in one sweep when that
// is fewer requests than a look per listed file (a first installation's key
// holds none). A listed name that is not among them, and not listed before,
// starts at one without asking the registry. Only plain ASCII names are
// swept, whose case the registry folds as UpperCase does.
std::optional<std::unordered_set<std::string>> SweepNames(const RegistryKey& counts,
                                                          const LineList& files) {
    if (counts.ValueCount() >= files.Count() || !std::all_of(files.begin(), files.end(), IsAscii))
        return std::nullopt;
    std::unordered_set<std::string> names;
    for (const std::string& name : counts.ValueNames()) {
        if (!IsAscii(name))
            return std::nullopt;
        names.insert(UpperCase(name));
    }
    return names;
}

DWORD StoredCount(const RegistryKey& counts, const std::string& file) {
    return counts.ValueExists(file) ? counts.ReadInteger(file) : 0;
}

} // namespace

void AddFileReferences(const LineList& files) {
    if (files.Count() == 0)
        return;
    // One key for the whole list: opening it per file cost more than the counting.
    RegistryKey counts = RegistryKey::Create(HKEY_CURRENT_USER, kInstalledFilesPath);
    std::optional<std::unordered_set<std::string>> known = SweepNames(counts, files);
    for (const std::string& file : files) {
        const bool isNew = known && known->insert(UpperCase(file)).second;
        counts.WriteInteger(file, isNew ? 1 : StoredCount(counts, file) + 1);
    }
}

} // namespace setupkit
