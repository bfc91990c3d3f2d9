#pragma once
// Reads an extended dialog template (DLGTEMPLATEEX) back into plain values,
// so that a test can compare it field by field.
#include <cstdint>
#include <string>
#include <vector>

namespace setupkit::testing {

struct ControlTemplate {
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t id = 0;
    // A predefined class given by its atom is spelled out (0x0080 is "BUTTON").
    std::string className;
    std::string text;
    std::uint16_t extraBytes = 0;
};

struct DialogTemplate {
    std::uint16_t version = 0;
    std::uint16_t signature = 0;
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    // Empty text for "none"; "#n" for an ordinal.
    std::string menu;
    std::string windowClass;
    std::string title;
    std::uint16_t pointSize = 0;
    std::uint16_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t charSet = 0;
    std::string typeface;
    std::vector<ControlTemplate> controls;
};

// Throws std::runtime_error when the bytes end early or are not version 1.
DialogTemplate ParseDialogTemplateEx(const void* data, std::size_t size);

} // namespace setupkit::testing
