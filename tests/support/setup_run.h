#pragma once
// One run of a real setup file under the robot, isolated from every other
// test: the setup file is made from the built stub with the test's own
// resources, in a scratch folder of its own; TEMP and TMP point into that
// folder, so that what the setup leaves there can be seen; the registry keys
// named after its APPNAME and PRODUCTNAME are removed before and after.
#include "builder/rar_writer.h"
#include "builder/resources.h"
#include "tests/robot/robot.h"
#include "tests/support/registry.h"
#include "tests/support/scratch.h"

#include <string>
#include <vector>

namespace setupkit::e2e {

using Resources = std::vector<builder::RcDataResource>;

// The built stub setup program, the built uninstaller and the built test
// tools (by target name), as Windows paths.
std::string StubPath();
std::string UninstallerPath();
std::string ToolPath(const std::string& name);

// A name no other test uses at the same time: `stem`, the running test's name
// and this process's id.
std::string UniqueName(const std::string& stem);

// CABFILE, a RAR archive of `entries`, and UNRARDLL, the built extraction library.
Resources Payload(const std::vector<builder::RarEntry>& entries);

// Resource lists as tests vary them: add or replace one, drop one, read one
// (empty when absent).
Resources With(Resources resources, const std::string& name, const std::string& bytes);
Resources Without(Resources resources, const std::string& name);
std::string Get(const Resources& resources, const std::string& name);

// Writes a setup file from the stub with exactly these resources; a builder
// error fails the test.
void MakeSetup(const std::string& path, const Resources& resources);

class SetupRun {
  public:
    SetupRun();
    ~SetupRun();
    SetupRun(const SetupRun&) = delete;
    SetupRun& operator=(const SetupRun&) = delete;

    // Makes the setup file (paths in the resources may name the scratch
    // folder) and removes what an interrupted earlier run left in the registry.
    void Build(const Resources& resources);
    // Starts the setup with the scratch folder as its current folder.
    bool Start(robot::Console console = robot::Console::Inherit);
    robot::Robot& Robot() { return robot_; }
    const ScratchFolder& Scratch() const { return scratch_; }
    const std::string& SetupPath() const { return setupPath_; }
    // The folder the setup sees as its temporary folder; empty at the start.
    const std::string& TempFolder() const { return tempFolder_; }
    // Another folder as the setup's temporary folder, for runs started after.
    void UseTempFolder(const std::string& folder) { tempFolder_ = folder; }
    // Registry lines under the keys this run may write: the uninstall entry,
    // the product record and the file counts of files in the scratch folder.
    std::vector<std::string> RegistryState() const;
    // A file the run makes outside the scratch folder (a shortcut, say): it
    // and its installation count are removed at the end.
    void RemoveAtEnd(const std::string& path);

  private:
    std::vector<std::pair<HKEY, std::string>> OwnKeys() const;
    void RemoveRegistryState() const;
    bool IsOwnFile(const std::string& path) const;

    ScratchFolder scratch_;
    std::string appName_;
    std::string productName_;
    std::string setupPath_;
    std::string tempFolder_;
    std::vector<std::string> outsideFiles_;
    robot::Robot robot_;
};

} // namespace setupkit::e2e
