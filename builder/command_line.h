#pragma once
// The command-line forms of setupkit-build (options in any order):
//
//   setupkit-build --product DIR --stub STUB --unrar DLL --uninstaller EXE -o OUT [--strict]
//       checks the product described in DIR (see product.h, product_check.h)
//       and builds its setup file, with the extraction library DLL and the
//       uninstaller EXE.
//   setupkit-build check --product DIR [--strict]
//       the same checks, nothing written.
//   setupkit-build list SETUP
//       prints a setup's configuration resources and archive entries.
//   setupkit-build --rar FOLDER -o OUT
//       writes a RAR archive of FOLDER.
//   setupkit-build STUB OUT NAME=text NAME=@file ...
//       adds each resource to STUB and writes OUT ("@file": the file's bytes;
//       "@@text": the text "@text"); no options.
//
// The output is never one of the inputs nor anything but a regular file, and
// it appears only complete: a failed command leaves none (see file_io.h).
#include "builder/resources.h"

#include <string>
#include <vector>

namespace setupkit::builder {

// "NAME=text", "NAME=@file" (the file is copied when the setup is written) or
// "NAME=@@text" as a resource; throws BuildError.
RcDataResource ParseResourceArgument(const std::string& argument);

// Runs one command; throws BuildError on bad arguments or input.
void RunCommandLine(const std::vector<std::string>& arguments);

} // namespace setupkit::builder
