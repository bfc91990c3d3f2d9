#include "tests/robot/robot.h"
#include "tests/support/paths.h"
#include "tests/support/scratch.h"

#include <gtest/gtest.h>

namespace setupkit::robot {
namespace {

using e2e::WindowsPath;

const std::string kShowBox = WindowsPath(SHOW_BOX_EXE);
const std::string kEditWindow = WindowsPath(EDIT_WINDOW_EXE);

std::string Arg(const std::string& text) {
    return "\"" + text + "\"";
}

std::string BoxCommand(const std::vector<std::tuple<UINT, std::string, std::string>>& boxes) {
    std::string command = Arg(kShowBox);
    for (const auto& [flags, caption, text] : boxes)
        command += " " + std::to_string(flags) + " " + Arg(caption) + " " + Arg(text);
    return command;
}

// A robot whose failures are collected instead of failing the test, for the
// cases where a failure is the expected outcome.
struct RecordingRobot {
    std::vector<std::string> failures;
    Robot robot{[this](const std::string& message) { failures.push_back(message); }};
};

TEST(RobotReading, SeesCaptionTextButtonsAndIconOfEveryKindOfBox) {
    struct Case {
        UINT flags;
        Icon icon;
        std::vector<std::string> buttons;
        std::vector<int> ids;
    };
    const Case cases[] = {
        {MB_OK | MB_ICONINFORMATION, Icon::Information, {"OK"}, {IDOK}},
        {MB_OKCANCEL | MB_ICONEXCLAMATION, Icon::Exclamation, {"OK", "Cancel"}, {IDOK, IDCANCEL}},
        {MB_OKCANCEL | MB_ICONHAND, Icon::Stop, {"OK", "Cancel"}, {IDOK, IDCANCEL}},
        {MB_OK | MB_ICONQUESTION, Icon::Question, {"OK"}, {IDOK}},
        {MB_OK, Icon::None, {"OK"}, {IDOK}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(IconName(c.icon));
        Robot robot;
        ASSERT_TRUE(robot.StartCommand(
            BoxCommand({{c.flags, "Box caption", "First line. \\r\\nSecond line"}}), ""));
        Window box = robot.WaitWindow();
        ASSERT_TRUE(box.Valid());
        EXPECT_EQ(box.ClassName(), "#32770");
        EXPECT_EQ(box.Caption(), "Box caption");
        EXPECT_EQ(box.Text(), "First line. \r\nSecond line");
        EXPECT_EQ(box.GetIcon(), c.icon);
        EXPECT_EQ(box.ButtonTexts(), c.buttons);
        EXPECT_EQ(box.ButtonIds(), c.ids);
        box.Press(IDOK);
        EXPECT_EQ(robot.WaitExit(), static_cast<DWORD>(IDOK));
    }
}

TEST(RobotReading, TranscriptShowsEveryWindowAndAnswerInOrder) {
    Robot robot;
    ASSERT_TRUE(robot.StartCommand(
        BoxCommand({{MB_OK | MB_ICONHAND, "First", "one"}, {MB_OK, "Second", "two"}}), ""));
    robot.WaitWindow().Press(IDOK);
    robot.WaitWindow().Press(IDOK);
    robot.WaitExit();
    const std::string& transcript = robot.Transcript();
    const auto first = transcript.find("window [#32770] \"First\"\n  icon: stop\n  text: \"one\"\n"
                                       "  button 1: \"OK\"\n  -> press 1 \"OK\"\n");
    const auto second = transcript.find("\"Second\"\n  icon: none\n  text: \"two\"");
    EXPECT_NE(first, std::string::npos) << transcript;
    EXPECT_NE(second, std::string::npos) << transcript;
    EXPECT_LT(first, second);
    EXPECT_NE(transcript.find("exit code 11"), std::string::npos) << transcript;
}

TEST(RobotAnswers, EachAnswerReachesTheProgramAsAUserWouldGiveIt) {
    Robot robot;
    const UINT flags = MB_OKCANCEL | MB_ICONINFORMATION;
    ASSERT_TRUE(robot.StartCommand(
        BoxCommand({{flags, "A", "a"}, {flags, "B", "b"}, {flags, "C", "c"}, {flags, "D", "d"}}),
        ""));
    robot.WaitWindowWithCaption("A").Press(IDCANCEL);
    robot.WaitWindowWithCaption("B").PressEscape();
    robot.WaitWindowWithCaption("C").Close();
    robot.WaitWindowWithCaption("D").Press(IDOK);
    EXPECT_EQ(robot.WaitExit(), 2221u) << robot.Transcript();
}

TEST(RobotAnswers, TypedTextReachesTheEditBox) {
    e2e::ScratchFolder scratch;
    const std::string output = scratch.File("typed.txt");
    Robot robot;
    ASSERT_TRUE(robot.StartCommand(Arg(kEditWindow) + " " + Arg(output), scratch.Path()));
    Window window = robot.WaitWindow();
    EXPECT_EQ(window.Caption(), "Type here");
    EXPECT_EQ(window.Text(), "Folder:");
    EXPECT_EQ(window.ItemText(100), "start");
    window.SetItemText(100, "C:\\Some Folder\\");
    EXPECT_EQ(window.ItemText(100), "C:\\Some Folder\\");
    window.Press(IDOK);
    EXPECT_EQ(robot.WaitExit(), static_cast<DWORD>(IDOK));
    EXPECT_EQ(e2e::ReadFile(output), "C:\\Some Folder\\");
}

TEST(RobotAnswers, EscapeAndCloseBoxCancelAWindowOfItsOwn) {
    e2e::ScratchFolder scratch;
    const std::string output = scratch.File("typed.txt");
    for (const bool escape : {true, false}) {
        Robot robot;
        ASSERT_TRUE(robot.StartCommand(Arg(kEditWindow) + " " + Arg(output), scratch.Path()));
        Window window = robot.WaitWindow();
        if (escape)
            window.PressEscape();
        else
            window.Close();
        EXPECT_EQ(robot.WaitExit(), static_cast<DWORD>(IDCANCEL));
    }
    EXPECT_FALSE(e2e::FileExists(output));
}

TEST(RobotFailures, AWindowThatDoesNotComeFailsAndEndsTheProgram) {
    RecordingRobot recording;
    ASSERT_TRUE(recording.robot.StartCommand(Arg(kShowBox) + " wait 60000", ""));
    const DWORD start = ::GetTickCount();
    EXPECT_FALSE(recording.robot.WaitWindow(300).Valid());
    EXPECT_LT(::GetTickCount() - start, 10000u);
    ASSERT_EQ(recording.failures.size(), 1u);
    EXPECT_NE(recording.failures[0].find("Transcript:"), std::string::npos);
    EXPECT_FALSE(recording.robot.Running());
}

TEST(RobotFailures, AProgramThatEndsInsteadOfShowingAWindowFails) {
    RecordingRobot recording;
    ASSERT_TRUE(recording.robot.StartCommand(Arg(kShowBox), ""));
    EXPECT_FALSE(recording.robot.WaitWindow().Valid());
    EXPECT_EQ(recording.failures.size(), 1u);
}

TEST(RobotFailures, WaitingForAWindowOrTheEndAcceptsTheEnd) {
    RecordingRobot recording;
    ASSERT_TRUE(recording.robot.StartCommand(Arg(kShowBox), ""));
    EXPECT_FALSE(recording.robot.WaitWindowOrExit().Valid());
    EXPECT_TRUE(recording.failures.empty());
    EXPECT_EQ(recording.robot.WaitExit(), 0u);
}

TEST(RobotFailures, AWindowLeftAloneIsNotAwaitedAgain) {
    e2e::ScratchFolder scratch;
    RecordingRobot recording;
    ASSERT_TRUE(recording.robot.StartCommand(Arg(kEditWindow) + " " + Arg(scratch.File("x")), ""));
    recording.robot.WaitWindow().LeaveAlone();
    EXPECT_FALSE(recording.robot.WaitWindow(300).Valid());
    EXPECT_EQ(recording.failures.size(), 1u);
}

TEST(RobotFailures, WindowsWithAnIgnoredCaptionAreNotAwaited) {
    RecordingRobot recording;
    ASSERT_TRUE(recording.robot.StartCommand(
        BoxCommand({{MB_OK, "Passing by", "x"}, {MB_OK, "Wanted", "y"}}), ""));
    recording.robot.IgnoreCaption("Passing by");
    EXPECT_FALSE(recording.robot.WaitWindow(1000).Valid());
    EXPECT_EQ(recording.failures.size(), 1u);
    EXPECT_EQ(recording.robot.Transcript().find("] \"Passing by"), std::string::npos);
}

TEST(RobotFailures, AProgramThatDoesNotEndFailsAndIsEnded) {
    RecordingRobot recording;
    ASSERT_TRUE(recording.robot.StartCommand(Arg(kShowBox) + " wait 60000", ""));
    EXPECT_EQ(recording.robot.WaitExit(300), STILL_ACTIVE);
    EXPECT_EQ(recording.failures.size(), 1u);
    EXPECT_FALSE(recording.robot.Running());
}

TEST(RobotFailures, AnUnexpectedWindowIsReportedWithItsContents) {
    RecordingRobot recording;
    ASSERT_TRUE(recording.robot.StartCommand(
        BoxCommand({{MB_OK, "Expected", "x"}, {MB_OK, "Surprise", "y"}}), ""));
    recording.robot.WaitWindow().Press(IDOK);
    recording.robot.ExpectNoMoreWindows();
    ASSERT_EQ(recording.failures.size(), 1u);
    EXPECT_NE(recording.failures[0].find("\"Surprise\""), std::string::npos);
    EXPECT_FALSE(recording.robot.Running());
}

TEST(RobotFailures, NoFailureWhenTheProgramEndsAfterTheLastAnswer) {
    RecordingRobot recording;
    ASSERT_TRUE(recording.robot.StartCommand(BoxCommand({{MB_OK, "Only", "x"}}), ""));
    recording.robot.WaitWindow().Press(IDOK);
    recording.robot.ExpectNoMoreWindows();
    EXPECT_EQ(recording.robot.WaitExit(), static_cast<DWORD>(IDOK));
    EXPECT_TRUE(recording.failures.empty());
}

} // namespace
} // namespace setupkit::robot
