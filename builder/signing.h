#pragma once
// Signing through the vendor's own command (osslsigncode, jsign, signtool, a
// hardware token's or a signing service's client): the builder only says
// which file to sign, in place, and when.
#include <string>

namespace setupkit::builder {

// The command as the vendor gives it must name the file as %1.
bool NamesTheFile(const std::string& command);

// Runs `command` with every %1 replaced by the quoted `path`, through the
// system's shell. Throws BuildError when it cannot be run or exits non-zero.
void SignInPlace(const std::string& command, const std::string& path);

// Throws BuildError when the image at `path` is a signed PE image: the
// builder changes what it takes from it, which breaks the signature.
void RefuseSigned(const std::string& path, const std::string& what);

} // namespace setupkit::builder
