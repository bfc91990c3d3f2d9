#pragma once
// What the payload tests share: a setup that carries a chosen archive and the
// real extraction library, installs without asking where, and reports success.
#include "builder/rar_writer.h"
#include "tests/setup_e2e/spine.h"
#include "tests/support/debug_output.h"
#include "tests/support/paths.h"

#include <gtest/gtest.h>

#include <optional>

namespace setupkit::e2e {

inline Resources PayloadResources(const SetupRun& run,
                                  const std::vector<builder::RarEntry>& entries) {
    Resources resources = With(SpineResources(run), "SUCCESSMESSAGE", "Yes");
    for (auto& resource : Payload(entries))
        resources = With(resources, resource.name, resource.bytes);
    return resources;
}

inline builder::RarEntry File(const std::string& name, const std::string& data) {
    return {name, data, false};
}

inline builder::RarEntry Folder(const std::string& name) {
    return {name, std::string(), true};
}

// A string value of an uninstall entry; empty when absent.
std::string UninstallValue(const std::string& appName, const std::string& name);
bool HasUninstallValue(const std::string& appName, const std::string& name);

inline std::string SystemFolder() {
    char buffer[MAX_PATH] = {};
    ::GetSystemDirectoryA(buffer, MAX_PATH);
    return std::string(buffer) + "\\";
}

// Welcome, then the success box: a run that installs without trouble. Any
// other box in its place (a failed build's, say) is reported as it came.
inline void AcceptAndExpectSuccess(SetupRun& run) {
    ASSERT_TRUE(StartSpine(run));
    robot::Window welcome = run.Robot().WaitWindow();
    ASSERT_EQ(welcome.Caption(), "Welcome!");
    welcome.Press(IDOK);
    robot::Window done = run.Robot().WaitWindow(60000);
    ExpectCompleted(done);
    done.Press(IDOK);
    ExpectCleanEnd(run.Robot());
}

// Welcome, then the catch-all failure box.
inline void AcceptAndExpectFailure(SetupRun& run, std::string* cause = nullptr) {
    ASSERT_TRUE(run.Start());
    robot::Window welcome = run.Robot().WaitWindow();
    ASSERT_EQ(welcome.Caption(), "Welcome!");
    // Attached while the first box waits, before anything can have failed.
    std::optional<DebugOutput> debugger;
    if (cause) {
        debugger.emplace(run.Robot().ProcessId());
        ASSERT_TRUE(debugger->Attached());
    }
    welcome.Press(IDOK);
    robot::Window failed =
        run.Robot().WaitWindowWithCaption("An error occured during installation.", 60000);
    ExpectBox(failed, "An error occured during installation.", "Installation failed.",
              robot::Icon::Exclamation, kOkOnly);
    failed.Press(IDOK);
    ExpectCleanEnd(run.Robot());
    if (cause)
        *cause = debugger->Text();
}

// Welcome, then the box of a payload step that failed.
inline void AcceptAndExpectContactBox(SetupRun& run) {
    ASSERT_TRUE(run.Start());
    run.Robot().WaitWindow().Press(IDOK);
    robot::Window box = run.Robot().WaitWindowWithCaption("Setup", 60000);
    ExpectBox(box, "Setup",
              "An error occured during installation.\r\nPlease contact support@setupkit.example",
              robot::Icon::Exclamation, kOkOnly);
    box.Press(IDOK);
    ExpectCleanEnd(run.Robot());
}

} // namespace setupkit::e2e
