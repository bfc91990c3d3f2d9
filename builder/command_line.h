#pragma once
// The command-line forms of setupkit-build:
//
//   setupkit-build STUB OUT NAME=text NAME=@file ...
//       adds each resource to STUB and writes OUT ("@file": the file's bytes;
//       "@@text": the text "@text").
//   setupkit-build --product DIR --stub STUB --unrar DLL --uninstaller EXE -o OUT
//       builds the product described in DIR (see product.h), with the
//       extraction library DLL and the uninstaller EXE.
//   setupkit-build --rar FOLDER -o OUT
//       writes a RAR archive of FOLDER.
#include "builder/resources.h"

#include <string>
#include <vector>

namespace setupkit::builder {

// "NAME=text", "NAME=@file" or "NAME=@@text" as a resource; throws BuildError.
RcDataResource ParseResourceArgument(const std::string& argument);

// Runs one command; throws BuildError on bad arguments or input.
void RunCommandLine(const std::vector<std::string>& arguments);

} // namespace setupkit::builder
