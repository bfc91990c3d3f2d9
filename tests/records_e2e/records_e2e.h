#pragma once
// What the end-to-end tests of the installation records and the IDE checks
// share: a setup that runs every step without asking where to install, the
// exact boxes it shows, the IDE stand-ins and a look at the uninstall entry.
#include "records/tests/registry_probe.h"
#include "tests/support/setup_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace setupkit::e2e {

// Names unique to the test; installs into the scratch folder's "dest" and
// ends with the success box. The running-IDE check is off unless a test
// turns it on, because another test may show the IDE's windows meanwhile.
Resources BaseResources(const SetupRun& run);

std::string WelcomeText(const std::string& shownName);
std::string PreviousVersionText(const std::string& appName);
std::string RunningIdeText(const std::string& appName);
std::string IncompatibleIdeText();

void ExpectBox(const robot::Window& box, const std::string& caption, const std::string& text,
               robot::Icon icon, const std::vector<std::string>& buttons);
void ExpectWelcome(const robot::Window& box, const Resources& resources);
void ExpectPreviousVersionBox(const robot::Window& box, const std::string& appName);
void ExpectIncompatibleIdeBox(const robot::Window& box);
void ExpectFailureBox(const robot::Window& box);

// Welcome OK, success OK, clean end.
// The box that ends a successful run; the progress window comes and goes
// before it.
robot::Window WaitSuccessBox(SetupRun& run);
void RunThrough(SetupRun& run, const Resources& resources);
// No further window, exit status 0.
void ExpectCleanEnd(robot::Robot& robot);

// A value of the run's uninstall entry, exactly as stored.
test::RawValue UninstallValue(const Resources& resources, const std::string& name);
// `text` followed by the NUL a REG_SZ value stores.
std::string Sz(const std::string& text);

// The IDE settings keys are the machine's own; the tests that touch them
// hold the "borland_registry" lock, and clear them before and after.
class IdeRegistry {
  public:
    IdeRegistry() { Clear(); }
    ~IdeRegistry() { Clear(); }
    IdeRegistry(const IdeRegistry&) = delete;
    IdeRegistry& operator=(const IdeRegistry&) = delete;
    // Points the IDE's "RootDir" at a stand-in installation (a folder name
    // under the built stand-ins).
    void Install(const std::string& subkey, const std::string& standin) const;

  private:
    static void Clear();
};

// The IDE's main windows, shown by the stand-in program for as long as this lives.
class RunningIde {
  public:
    explicit RunningIde(const std::vector<std::string>& classes);
    ~RunningIde();
    RunningIde(const RunningIde&) = delete;
    RunningIde& operator=(const RunningIde&) = delete;

  private:
    UniqueHandle process_;
};

} // namespace setupkit::e2e
