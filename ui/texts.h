#pragma once
// Texts of the dialog layer that are not in the dialog templates.

namespace setupkit::texts {

inline constexpr const char* kBrowseTitle = "Select the installation folder";

} // namespace setupkit::texts
