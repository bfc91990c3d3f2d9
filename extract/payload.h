#pragma once
// The installation step that puts the library's files on disk.
#include "rar/api/unrar.h"
#include "ui/progress_dialog.h"

#include <cstdint>
#include <string>

namespace setupkit {

// Extracts the payload into `installDir` with a progress dialog, then records
// the product and builds its packages. False when `installDir` is not rooted,
// when extraction could not start, or when a file's path could not be recorded.
bool InstallPayload(const std::string& installDir);

// What the two passes share: the open progress dialog and the byte counts,
// which are never reset (the step runs once per run of the program).
extern TProgressDialog* ProgressDialog;
extern std::uint64_t TotalBytes;
extern std::uint64_t DoneBytes;

// The two entry callbacks of the payload step: the counting pass and the
// progress pass.
int CountEntry(const RARHeaderData& header, std::string& destFolder, std::string& destName);
// Between the passes: fixes the bar's range from what the counting pass found.
void StartProgressPass();
int TrackEntry(const RARHeaderData& header, std::string& destFolder, std::string& destName);
// After the progress pass: the dialog shows the last entry and the full bar,
// whatever its paint interval held back.
void FinishProgressPass();

// The progress bar takes 32-bit signed positions; payloads of any size are
// shown by scaling byte counts down to fit.
class ProgressScale {
  public:
    explicit ProgressScale(std::uint64_t total);
    int Position(std::uint64_t bytes) const;

  private:
    int shift_ = 0;
};

} // namespace setupkit
