#pragma once
// What Windows shows of a setup file in its properties and in its prompts:
// the version resource and the icon, made from product.ini.
//
//   VS_VERSIONINFO (RT_VERSION 1, US English)
//     fixed part: FileVersion and ProductVersion as four numbers
//     StringFileInfo / "040904E4" (US English, code page 1252):
//       CompanyName  FileDescription  FileVersion  LegalCopyright
//       OriginalFilename  ProductName  ProductVersion
//     VarFileInfo / Translation: 0x0409, 1252
//
//   An .ico file: ICONDIR (0, 1, count), count x ICONDIRENTRY (16 bytes:
//   width, height, colours, 0, planes, bits, size, offset), the images.
//   In an image: RT_ICON n for each image, and one RT_GROUP_ICON whose
//   entries are the ICONDIRENTRY fields with the image's RT_ICON id in place
//   of its offset (14 bytes each).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace setupkit::builder {

struct VersionStrings {
    std::string company;   // PUBLISHER
    std::string product;   // APPNAME
    std::string version;   // VERSION
    std::string copyright; // COPYRIGHT
    std::string fileName;  // the setup file's own name
};

// "1.4" -> 1, 4, 0, 0: one to four numbers of at most 65535, dot between;
// nothing for a version that is not so.
std::optional<std::array<std::uint16_t, 4>> NumericVersion(const std::string& version);

// The VS_VERSIONINFO bytes; texts in code page 1252.
std::string VersionResource(const VersionStrings& strings);

struct IconImage {
    std::string entry; // the 16-byte ICONDIRENTRY, as the file has it
    std::string bytes;
};

// The images of an .ico file; nothing when the bytes are not one.
std::optional<std::vector<IconImage>> ReadIconFile(const std::string& bytes);

// The RT_GROUP_ICON bytes naming the images as RT_ICON 1, 2, ...
std::string IconGroup(const std::vector<IconImage>& images);

} // namespace setupkit::builder
