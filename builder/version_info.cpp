#include "builder/version_info.h"

#include "builder/ansi_text.h"
#include "builder/byte_io.h"

#include <cstdlib>

namespace setupkit::builder {
namespace {

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedStructVersion = 0x00010000;
constexpr std::uint32_t kFlagsMask = 0x3F;
constexpr std::uint32_t kWindows32 = 4;   // VOS__WINDOWS32
constexpr std::uint32_t kApplication = 1; // VFT_APP
constexpr std::uint16_t kBinary = 0, kText = 1;
constexpr std::size_t kIconDirEntry = 16;

void PutU16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void PutU32(std::string& out, std::uint32_t value) {
    PutU16(out, static_cast<std::uint16_t>(value));
    PutU16(out, static_cast<std::uint16_t>(value >> 16));
}

void PutWide(std::string& out, const std::u16string& text) {
    for (const char16_t c : text)
        PutU16(out, static_cast<std::uint16_t>(c));
    PutU16(out, 0);
}

void AlignTo4(std::string& out) {
    while (out.size() % 4 != 0)
        out += '\0';
}

// One node of the version tree: length, value length (in words for text),
// type, key, value, children, each starting on four bytes.
std::string Node(const std::u16string& key, std::uint16_t type, const std::string& value,
                 std::uint16_t valueLength, const std::string& children = {}) {
    std::string node(6, '\0');
    PutWide(node, key);
    AlignTo4(node);
    node += value;
    AlignTo4(node);
    node += children;
    node[0] = static_cast<char>(node.size() & 0xFF);
    node[1] = static_cast<char>(node.size() >> 8);
    node[2] = static_cast<char>(valueLength & 0xFF);
    node[3] = static_cast<char>(valueLength >> 8);
    node[4] = static_cast<char>(type);
    return node;
}

std::string TextValue(const std::u16string& key, const std::string& ansi) {
    const std::u16string text = Windows1252ToUtf16(ansi);
    std::string value;
    PutWide(value, text);
    return Node(key, kText, value, static_cast<std::uint16_t>(text.size() + 1));
}

std::string FixedInfo(const std::array<std::uint16_t, 4>& version) {
    const std::uint32_t high = static_cast<std::uint32_t>(version[0]) << 16 | version[1];
    const std::uint32_t low = static_cast<std::uint32_t>(version[2]) << 16 | version[3];
    std::string fixed;
    for (const std::uint32_t field : {kFixedSignature, kFixedStructVersion, high, low, high, low,
                                      kFlagsMask, 0u, kWindows32, kApplication, 0u, 0u, 0u})
        PutU32(fixed, field);
    return fixed;
}

} // namespace

std::optional<std::array<std::uint16_t, 4>> NumericVersion(const std::string& version) {
    std::array<std::uint16_t, 4> parts{};
    std::size_t count = 0, at = 0;
    while (count < 4) {
        std::size_t end = at;
        while (end < version.size() && version[end] >= '0' && version[end] <= '9')
            ++end;
        if (end == at || end - at > 5)
            return std::nullopt;
        const unsigned long number =
            std::strtoul(version.substr(at, end - at).c_str(), nullptr, 10);
        if (number > 0xFFFF)
            return std::nullopt;
        parts[count++] = static_cast<std::uint16_t>(number);
        if (end == version.size())
            return parts;
        if (version[end] != '.')
            return std::nullopt;
        at = end + 1;
    }
    return std::nullopt;
}

std::string VersionResource(const VersionStrings& strings) {
    std::string table;
    const std::pair<const char16_t*, std::string> values[] = {
        {u"CompanyName", strings.company},       {u"FileDescription", strings.product + " Setup"},
        {u"FileVersion", strings.version},       {u"LegalCopyright", strings.copyright},
        {u"OriginalFilename", strings.fileName}, {u"ProductName", strings.product},
        {u"ProductVersion", strings.version},
    };
    for (const auto& [key, value] : values)
        if (!value.empty()) {
            table += TextValue(key, value);
            AlignTo4(table);
        }
    std::string translation;
    PutU32(translation, 0x0409 | 1252u << 16);
    const std::string children =
        Node(u"StringFileInfo", kText, {}, 0, Node(u"040904E4", kText, {}, 0, table)) +
        Node(u"VarFileInfo", kText, {}, 0, Node(u"Translation", kBinary, translation, 4));
    const std::string fixed =
        FixedInfo(NumericVersion(strings.version).value_or(std::array<std::uint16_t, 4>{}));
    return Node(u"VS_VERSION_INFO", kBinary, fixed, static_cast<std::uint16_t>(fixed.size()),
                children);
}

std::optional<std::vector<IconImage>> ReadIconFile(const std::string& bytes) {
    if (bytes.size() < 6 || ReadU16(bytes, 0) != 0 || ReadU16(bytes, 2) != 1)
        return std::nullopt;
    const std::uint16_t count = ReadU16(bytes, 4);
    if (count == 0 || bytes.size() < 6 + kIconDirEntry * count)
        return std::nullopt;
    std::vector<IconImage> images;
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::string entry = bytes.substr(6 + kIconDirEntry * i, kIconDirEntry);
        const std::uint32_t size = ReadU32(entry, 8), offset = ReadU32(entry, 12);
        if (size == 0 || offset > bytes.size() || size > bytes.size() - offset)
            return std::nullopt;
        images.push_back({entry, bytes.substr(offset, size)});
    }
    return images;
}

std::string IconGroup(const std::vector<IconImage>& images) {
    std::string group;
    PutU16(group, 0);
    PutU16(group, 1);
    PutU16(group, static_cast<std::uint16_t>(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        group += images[i].entry.substr(0, 12);
        PutU16(group, static_cast<std::uint16_t>(i + 1));
    }
    return group;
}

} // namespace setupkit::builder
