#pragma once

namespace setupkit {

// Writes the uninstall entry with the run's lists and raises the file counts.
void RegisterUninstall();
// Writes the entry's "VERSION" value.
void RegisterVersion();

} // namespace setupkit
