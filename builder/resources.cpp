#include "builder/resources.h"

#include "builder/file_io.h"
#include "builder/pe_image.h"
#include "builder/resource_tree.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace setupkit::builder {
namespace {

constexpr std::uint16_t kRtIcon = 3;
constexpr std::uint16_t kRtRcData = 10;
constexpr std::uint16_t kRtGroupIcon = 14;
constexpr std::uint16_t kRtVersion = 16;
constexpr std::uint16_t kNeutralLanguage = 0;
constexpr std::uint16_t kUsEnglish = 0x409; // the language the version resource names

// A type directory holding exactly `items` (id, bytes), each in US English.
ResourceEntry TypeOf(std::uint16_t type,
                     const std::vector<std::pair<std::uint16_t, std::string>>& items) {
    ResourceEntry entry;
    entry.key = ResourceKey::Id(type);
    entry.directory = std::make_unique<ResourceDirectory>();
    for (const auto& [id, bytes] : items) {
        ResourceEntry language;
        language.key = ResourceKey::Id(kUsEnglish);
        language.data.bytes = bytes;
        ResourceEntry name;
        name.key = ResourceKey::Id(id);
        name.directory = std::make_unique<ResourceDirectory>();
        name.directory->entries.push_back(std::move(language));
        entry.directory->Put(std::move(name));
    }
    return entry;
}

void PutLook(ResourceDirectory& root, const SetupLook& look) {
    if (!look.versionInfo.empty())
        root.Put(TypeOf(kRtVersion, {{1, look.versionInfo}}));
    if (look.icon.empty())
        return;
    std::vector<std::pair<std::uint16_t, std::string>> images;
    for (std::size_t i = 0; i < look.icon.size(); ++i)
        images.emplace_back(static_cast<std::uint16_t>(i + 1), look.icon[i].bytes);
    root.Put(TypeOf(kRtIcon, images));
    root.Put(TypeOf(kRtGroupIcon, {{1, IconGroup(look.icon)}}));
}

ResourceEntry RcDataEntry(const RcDataResource& resource) {
    ResourceEntry language;
    language.key = ResourceKey::Id(kNeutralLanguage);
    language.data.bytes = resource.bytes;
    if (!resource.file.empty()) {
        std::error_code error;
        language.data.file = resource.file;
        language.data.fileSize =
            std::filesystem::file_size(std::filesystem::u8path(resource.file), error);
        if (error)
            throw BuildError("cannot read '" + resource.file + "': " + error.message(),
                             ExitCode::InputOutput);
    }
    ResourceEntry name;
    name.key = ResourceKey::Name(resource.name);
    name.directory = std::make_unique<ResourceDirectory>();
    name.directory->entries.push_back(std::move(language));
    return name;
}

ResourceDirectory& RcDataDirectory(ResourceDirectory& root) {
    ResourceEntry* type = root.Find(ResourceKey::Id(kRtRcData));
    if (!type) {
        ResourceEntry entry;
        entry.key = ResourceKey::Id(kRtRcData);
        entry.directory = std::make_unique<ResourceDirectory>();
        root.Put(std::move(entry));
        type = root.Find(ResourceKey::Id(kRtRcData));
    }
    if (!type->directory)
        throw BuildError("the image's RT_RCDATA resources are malformed");
    return *type->directory;
}

} // namespace

bool IsResourceName(const std::string& name) {
    if (name.empty() || name[0] < 'A' || name[0] > 'Z')
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
}

void AddRcDataResources(const std::string& peImage, const std::vector<RcDataResource>& resources,
                        ByteSink& out, const SetupLook& look) {
    for (const RcDataResource& resource : resources)
        if (!IsResourceName(resource.name))
            throw BuildError("'" + resource.name + "' is not a resource name (an upper-case word)");
    PeImage image(peImage);
    ResourceDirectory root = ReadResourceTree(image);
    ResourceDirectory& rcData = RcDataDirectory(root);
    for (const RcDataResource& resource : resources)
        rcData.Put(RcDataEntry(resource));
    PutLook(root, look);
    const std::uint32_t sectionRva = image.ResourceSectionRva();
    image.PlaceResourceSection(ResourceSectionSize(root));
    image.WriteTo(out, [&](ByteSink& section) { WriteResourceSection(root, sectionRva, section); });
}

std::string AddRcDataResources(const std::string& peImage,
                               const std::vector<RcDataResource>& resources) {
    StringSink out;
    AddRcDataResources(peImage, resources, out);
    return std::move(out.bytes);
}

void WriteSetupFile(const std::string& stubPath, const std::string& outPath,
                    const std::vector<RcDataResource>& resources, const SetupLook& look,
                    const std::function<void(const std::string& path)>& finish) {
    try {
        OutputFile out(outPath, true);
        AddRcDataResources(ReadWholeFile(stubPath), resources, out, look);
        out.Close();
        if (finish)
            finish(out.TemporaryPath());
        out.Commit();
    } catch (const BuildError&) {
        DiscardOutput(outPath, {stubPath});
        throw;
    }
}

} // namespace setupkit::builder
