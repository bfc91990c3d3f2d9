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
// there: they come from the payload folder and the command line. The text is
// UTF-8 or Windows-1252 and is stored as Windows-1252 (see ansi_text.h).
//
// Every setup carries the uninstaller its uninstall command names, at the top
// of the payload, so that it lands in the destination folder and in the list
// of installed files; a payload that brings its own keeps it.
#include "builder/file_io.h"
#include "builder/progress.h"
#include "builder/rar_writer.h"
#include "builder/resources.h"
#include "builder/version_info.h"

#include <string>
#include <vector>

namespace setupkit::builder {

// What a check found: an error stops the build, a warning only when asked to.
struct Finding {
    bool isError = true;
    std::string text; // "product.ini:LINE: KEY: what is wrong and what to write instead"
};

// A finding about line `line` of product.ini, for `key` (may be empty).
Finding IniFinding(bool isError, int line, const std::string& key, const std::string& message);

struct DescriptionLine {
    int number = 0;
    std::string text;
};

// One resource as product.ini gives it.
struct DescriptionEntry {
    std::string name;
    int line = 0;
    bool isList = false;
    std::string value;                  // a single value, in Windows-1252
    std::vector<DescriptionLine> items; // a list's lines, in Windows-1252
};

struct ProductDescription {
    std::vector<DescriptionEntry> entries;
    // Mistakes of form: encoding, line ends, malformed or repeated entries.
    std::vector<Finding> findings;
    // Keys a line meant to give but that a finding already names, so that
    // the mistake is told once, not again as a missing key.
    std::vector<std::string> meant;
    // The file could not be read as lines at all (UTF-16, lone CRs).
    bool unreadable = false;

    const DescriptionEntry* Find(const std::string& name) const;
    std::vector<RcDataResource> Resources() const;
};

// Reads the text of a product.ini, keeping going after mistakes of form.
ProductDescription ReadProductDescription(const std::string& text);

// The resources that the text of a product.ini describes, in file order.
// Throws BuildError naming the line of the first mistake of form.
std::vector<RcDataResource> ParseProductDescription(const std::string& text);

inline constexpr const char* kUninstallerName = "UnInstall.exe";

// Keys of product.ini for the setup file itself, not resources the setup
// reads: the publisher and copyright of its version resource, and its icon
// (an .ico file, its path relative to the product folder).
inline constexpr const char* kSetupFileKeys[] = {"PUBLISHER", "COPYRIGHT", "ICON"};
bool IsSetupFileKey(const std::string& name);

// Appends the uninstaller's bytes as UnInstall.exe at the top level, unless
// an entry there already has that name (ignoring case): false then, and the
// entries stay as they are.
bool AddUninstaller(std::vector<RarEntry>& entries, const std::string& uninstaller);

struct Product {
    std::vector<RcDataResource> resources;
    // What the vendor should know but that does not stop the build.
    std::vector<std::string> warnings;
    // What went into the archive, to read it back against.
    std::vector<PackedEntry> packed;
    // What Windows shows of the setup file; its own name is the caller's.
    VersionStrings version;
    std::vector<IconImage> icon;
};

// Every resource of the product in `productDir`: those of its product.ini,
// CABFILE (its payload folder, without folder entries, and the uninstaller at
// `uninstallerPath`, packed as `rar` says into `archive`, a scratch file the
// resource then names) and UNRARDLL (the file at `unrarPath`); `progress` is
// told each payload file packed.
Product ReadProduct(const std::string& productDir, const std::string& unrarPath,
                    const std::string& uninstallerPath, const RarOptions& rar, OutputFile& archive,
                    const ProgressCounter& progress = {});

} // namespace setupkit::builder
