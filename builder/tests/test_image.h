#pragma once
// Small 32-bit PE images made in memory, so the injector's cases do not
// depend on a cross compiler.
#include "builder/resource_tree.h"

#include <string>

namespace setupkit::builder::testing {

struct TestImageLayout {
    bool withResources = true;
    // A section after the resources, so they cannot grow in place.
    bool sectionAfterResources = false;
    // Header space after the section table taken up, so no section can be added.
    bool headerFull = false;
    // A library (IMAGE_FILE_DLL) rather than a program.
    bool dll = false;
};

// .text at 0x1000, then .rsrc holding `resources` (when wanted), then .reloc.
std::string MakeTestImage(const ResourceDirectory& resources, const TestImageLayout& layout = {});

// A tree like a linked program's: an icon group by number, a dialog by name
// in two languages and version info.
ResourceDirectory SampleTree();

// The data of the leaf at type/name/language, or null.
const ResourceData* FindLeaf(const ResourceDirectory& root, const ResourceKey& type,
                             const ResourceKey& name, const ResourceKey& language);

} // namespace setupkit::builder::testing
