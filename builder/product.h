#pragma once
// A product description: the folder a vendor keeps for one setup.
//
//   DIR/product.ini   the configuration resources
//   DIR/payload/      the files to install; becomes the CABFILE archive
//
// product.ini holds, before any section, single values and flags as
// NAME=value lines (the value is taken exactly, blanks included, and stored
// without a line end), then one [NAME] section per list resource whose lines
// are stored each followed by CR LF, the last one included. Blank lines and
// lines starting with ';' are skipped. CABFILE and UNRARDLL are not written
// there: they come from the payload folder and the command line.
//
// Every setup carries the uninstaller its uninstall command names, at the top
// of the payload, so that it lands in the destination folder and in the list
// of installed files; a payload that brings its own keeps it.
#include "builder/rar_writer.h"
#include "builder/resources.h"

#include <string>
#include <vector>

namespace setupkit::builder {

// The resources that the text of a product.ini describes, in file order.
// Throws BuildError naming the line for a malformed or repeated entry.
std::vector<RcDataResource> ParseProductDescription(const std::string& text);

inline constexpr const char* UninstallerName = "UnInstall.exe";

// Appends the uninstaller's bytes as UnInstall.exe at the top level, unless
// an entry there already has that name (ignoring case): false then, and the
// entries stay as they are.
bool AddUninstaller(std::vector<RarEntry>& entries, const std::string& uninstaller);

struct Product {
    std::vector<RcDataResource> resources;
    // What the vendor should know but that does not stop the build.
    std::vector<std::string> warnings;
};

// Every resource of the product in `productDir`: those of its product.ini,
// CABFILE (its payload folder and the uninstaller at `uninstallerPath`) and
// UNRARDLL (the bytes of `unrarPath`).
Product ReadProduct(const std::string& productDir, const std::string& unrarPath,
                    const std::string& uninstallerPath);

} // namespace setupkit::builder
