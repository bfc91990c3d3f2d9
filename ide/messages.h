#pragma once
// The texts the IDE steps show, exactly as the user sees them.

namespace setupkit::messages {

// The caption of every box that reports a failed installation.
inline constexpr const char* kFailedCaption = "An error occured during installation.";

} // namespace setupkit::messages
