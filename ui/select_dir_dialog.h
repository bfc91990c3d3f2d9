#pragma once
// The destination-folder dialog: an edit box with the folder, OK, Cancel
// and a Browse button that opens the shell's folder browser. OK ends it only
// on a rooted path.
#include "ui/res_dialog.h"

#include <string>

namespace setupkit {

inline constexpr int kSelectDirTemplate = 103;
inline constexpr int kFolderEditId = 1000;
inline constexpr int kBrowseButtonId = 3;

class TSelectDirDialog : public TResDialog {
  public:
    TSelectDirDialog() : TResDialog(kSelectDirTemplate) {}

    // The text of the edit box, as the user left it.
    std::string Directory() const;
    void SetDirectory(const std::string& directory);

  protected:
    void WMCommand(TMessage& message) override;
};

} // namespace setupkit
