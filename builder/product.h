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
#include "builder/resources.h"

#include <string>
#include <vector>

namespace setupkit::builder {

// The resources that the text of a product.ini describes, in file order.
// Throws BuildError naming the line for a malformed or repeated entry.
std::vector<RcDataResource> ParseProductDescription(const std::string& text);

// Every resource of the product in `productDir`: those of its product.ini,
// CABFILE (its payload folder, folder entries included) and UNRARDLL (the
// bytes of `unrarPath`).
std::vector<RcDataResource> ReadProduct(const std::string& productDir,
                                        const std::string& unrarPath);

} // namespace setupkit::builder
