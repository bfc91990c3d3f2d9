#pragma once
// The maker's count, per user, of how many installations put each file in
// place: the uninstaller removes a file only when its count runs out.
#include "lib/line_list.h"

namespace setupkit {

// Raises the installation count of every listed path by one per occurrence.
void AddFileReferences(const LineList& files);

} // namespace setupkit
