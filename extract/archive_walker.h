#pragma once
// Walks a RAR archive entry by entry through the extraction library, decides
// where each entry goes and records what was written.
#include "lib/line_list.h"
#include "rar/api/unrar.h"

#include <functional>
#include <string>

namespace setupkit {

// Called for every entry before the library gets it. May change the entry's
// destination folder and set a full destination name (empty on entry).
// Answers RAR_SKIP or RAR_EXTRACT.
using EntryCallback =
    std::function<int(const RARHeaderData& header, std::string& destFolder, std::string& destName)>;

// False when the archive cannot be opened, or when a file's record could not
// name the file written (its archive path fills the header's name field, or
// its destination path has MAX_PATH characters or more); the walk then stops
// before that file. Raises SetupError when an entry would leave the
// destination or the library fails to write one.
bool ExtractArchive(const std::string& archivePath, const std::string& destFolder,
                    const EntryCallback& callback, const LineList* systemNames,
                    LineList* folderList, LineList* fileList);

// The same walk over the headers alone, for a pass that only looks: the
// callback's answers are not acted on, nothing is written, and no entry's data
// is read, not even a solid archive's.
bool ListArchive(const std::string& archivePath, const std::string& destFolder,
                 const EntryCallback& callback, const LineList* systemNames);

// Appends `folder` and its ancestors that do not exist yet, outermost first
// and without trailing backslash, to `folderList`: the folders an extraction
// there will make. With `make`, makes them here.
void NoteMissingFolders(const std::string& folder, LineList& folderList, bool make);

// True when an archive path stays inside the folder it is extracted to: no
// ".." component, no drive, no root, no stream or device syntax.
bool IsContainedArchivePath(const std::string& path);

} // namespace setupkit
