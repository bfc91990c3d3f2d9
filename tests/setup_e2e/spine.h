#pragma once
// What the spine's end-to-end tests share: a setup that goes through every
// step without asking where to install, and the boxes the user must see.
#include "tests/support/setup_run.h"

#include <gtest/gtest.h>

namespace setupkit::e2e {

inline const std::string kWelcomeTemplate =
    "This program will install '%s' onto your computer. \r\n"
    "Press the OK button to start the installation.\r\n"
    "You can press the Cancel button if you do not want to install this software.";

inline std::string Welcome(const std::string& shownName) {
    std::string text = kWelcomeTemplate;
    return text.replace(text.find("%s"), 2, shownName);
}

// Names unique to the test, installing into the scratch folder's "dest",
// with neither the destination dialog nor the running-IDE check (another
// test may show an IDE's windows at the same time). The payload is the
// program that RUNAFTERINSTALL tests open.
inline Resources SpineResources(const SetupRun& run) {
    Resources resources = {{"APPNAME", UniqueName("Spine App")},
                           {"PRODUCTNAME", UniqueName("Spine Family")},
                           {"VERSION", "1.0"},
                           {"INSTALLDIR", run.Scratch().File("dest")},
                           {"DELPHIVER", "D5"},
                           {"PROMPTINSTALLDIR", "No"},
                           {"CHECKDELPHI", "No"}};
    for (auto& resource : Payload({{"leave_mark.exe", ReadFile(ToolPath("leave_mark"))}}))
        resources.push_back(std::move(resource));
    return resources;
}

// The progress window comes and goes during extraction with nothing to
// answer; these tests are about the boxes around it.
inline bool StartSpine(SetupRun& run) {
    run.Robot().IgnoreCaption("Installing files");
    return run.Start();
}

inline void ExpectBox(const robot::Window& box, const std::string& caption, const std::string& text,
                      robot::Icon icon, const std::vector<std::string>& buttons) {
    ASSERT_TRUE(box.Valid());
    EXPECT_EQ(box.ClassName(), "#32770");
    EXPECT_EQ(box.Caption(), caption);
    EXPECT_EQ(box.Text(), text);
    EXPECT_EQ(robot::IconName(box.GetIcon()), std::string(robot::IconName(icon)));
    EXPECT_EQ(box.ButtonTexts(), buttons);
}

inline const std::vector<std::string> kOkOnly = {"OK"};
inline const std::vector<std::string> kOkCancel = {"OK", "Cancel"};

inline void ExpectWelcome(const robot::Window& box, const std::string& shownName) {
    ExpectBox(box, "Welcome!", Welcome(shownName), robot::Icon::Information, kOkCancel);
}

inline void ExpectCompleted(const robot::Window& box) {
    ExpectBox(box, "Setup", "Installation completed.", robot::Icon::Information, kOkOnly);
}

// The run's end: no further window and exit status 0.
inline void ExpectCleanEnd(robot::Robot& robot) {
    robot.ExpectNoMoreWindows();
    EXPECT_EQ(robot.WaitExit(), 0u) << robot.Transcript();
}

} // namespace setupkit::e2e
