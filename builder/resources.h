#pragma once
// Makes a setup file: the stub program with the configuration of one build
// added as named raw-data resources.
#include "builder/build_error.h"
#include "builder/byte_sink.h"
#include "builder/version_info.h"

#include <functional>
#include <string>
#include <vector>

namespace setupkit::builder {

// name: an upper-case word (APPNAME, CABFILE, ...); bytes: the exact content,
// or, when `file` is named, that file's bytes, copied in pieces as the setup
// is written.
struct RcDataResource {
    std::string name;
    std::string bytes;
    std::string file = {};
};

// What Windows shows of the setup file; an empty part keeps the stub's own.
struct SetupLook {
    std::string versionInfo;     // a VS_VERSIONINFO (version_info.h)
    std::vector<IconImage> icon; // the images of one icon
};

// Writes the PE image with the RT_RCDATA resources added (neutral language,
// exact bytes, no terminator), replacing any of the same name; every other
// resource of the image is kept.
void AddRcDataResources(const std::string& peImage, const std::vector<RcDataResource>& resources,
                        ByteSink& out, const SetupLook& look = {});
// The same image in memory.
std::string AddRcDataResources(const std::string& peImage,
                               const std::vector<RcDataResource>& resources);

// Reads the stub, writes the setup file; on any error throws BuildError and
// leaves no output file. `finish`, when given, may change the whole file at
// the path it is told (sign it) before it takes the output's name.
void WriteSetupFile(const std::string& stubPath, const std::string& outPath,
                    const std::vector<RcDataResource>& resources, const SetupLook& look = {},
                    const std::function<void(const std::string& path)>& finish = {});

// True for the names the setup program can carry: an upper-case letter, then
// upper-case letters, digits or underscores.
bool IsResourceName(const std::string& name);

} // namespace setupkit::builder
