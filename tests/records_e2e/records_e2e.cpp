#include "tests/records_e2e/records_e2e.h"

#include "lib/text.h"
#include "setup/messages.h"
#include "tests/support/paths.h"

namespace setupkit::e2e {

namespace {

const std::vector<std::string> kOkOnly = {"OK"};
const std::vector<std::string> kOkCancel = {"OK", "Cancel"};

const char* const kIdeSubkeys[] = {"Delphi\\2.0",     "C++Builder\\1.0", "Delphi\\3.0",
                                   "C++Builder\\3.0", "Delphi\\4.0",     "C++Builder\\4.0",
                                   "Delphi\\5.0"};

bool AllWindowsShown(const std::vector<std::string>& classes) {
    for (const std::string& name : classes)
        if (!::FindWindowA(name.c_str(), nullptr))
            return false;
    return true;
}

} // namespace

Resources BaseResources(const SetupRun& run) {
    Resources resources = Payload({});
    resources.insert(resources.end(), {{"APPNAME", UniqueName("Records App")},
                                       {"PRODUCTNAME", UniqueName("Records Family")},
                                       {"VERSION", "1.0"},
                                       {"INSTALLDIR", run.Scratch().File("dest")},
                                       {"DELPHIVER", "D5"},
                                       {"PROMPTINSTALLDIR", "No"},
                                       {"CHECKDELPHI", "No"},
                                       {"SUCCESSMESSAGE", "Yes"}});
    return resources;
}

std::string WelcomeText(const std::string& shownName) {
    return FormatWith("This program will install '%s' onto your computer. \r\n"
                      "Press the OK button to start the installation.\r\n"
                      "You can press the Cancel button if you do not want to install this "
                      "software.",
                      shownName);
}

std::string PreviousVersionText(const std::string& appName) {
    return FormatWith("Setup has detected that previous version of %s is already installed. It "
                      "is highly recommended that you uninstall previous version before you can "
                      "install %s.\r\n\r\nPress the OK button to continue the installation.\r\n"
                      "Press the Cancel button to abort the installation.",
                      appName);
}

std::string RunningIdeText(const std::string& appName) {
    return FormatWith("You have one or more of the following applications running. It is highly "
                      "recommended that you shut down these applications before you can install "
                      "%s.\r\n\r\nBorland Delphi\r\nBorland C++ Builder\r\n",
                      appName);
}

std::string IncompatibleIdeText() {
    return std::string("Incompatible version of Delphi/CPB.\r\nPlease download the latest patch "
                       "from\r\n") +
           messages::kDelphiPatchAddress + "\r\n" + messages::kCppBuilderPatchAddress;
}

void ExpectBox(const robot::Window& box, const std::string& caption, const std::string& text,
               robot::Icon icon, const std::vector<std::string>& buttons) {
    ASSERT_TRUE(box.Valid());
    EXPECT_EQ(box.Caption(), caption);
    EXPECT_EQ(box.Text(), text);
    EXPECT_STREQ(robot::IconName(box.GetIcon()), robot::IconName(icon));
    EXPECT_EQ(box.ButtonTexts(), buttons);
}

void ExpectWelcome(const robot::Window& box, const Resources& resources) {
    const std::string version = Get(resources, "VERSION");
    const std::string shown =
        Get(resources, "APPNAME") + (version.empty() ? "" : " Version " + version);
    ExpectBox(box, "Welcome!", WelcomeText(shown), robot::Icon::Information, kOkCancel);
}

void ExpectPreviousVersionBox(const robot::Window& box, const std::string& appName) {
    ExpectBox(box, "Installation Error", PreviousVersionText(appName), robot::Icon::Stop,
              kOkCancel);
}

void ExpectIncompatibleIdeBox(const robot::Window& box) {
    ExpectBox(box, "Setup", IncompatibleIdeText(), robot::Icon::Exclamation, kOkOnly);
}

void ExpectFailureBox(const robot::Window& box) {
    ExpectBox(box, "An error occured during installation.", "Installation failed.",
              robot::Icon::Exclamation, kOkOnly);
}

robot::Window WaitSuccessBox(SetupRun& run) {
    return run.Robot().WaitWindowWithCaption("Setup", 60000);
}

void RunThrough(SetupRun& run, const Resources& resources) {
    robot::Window welcome = run.Robot().WaitWindow();
    ExpectWelcome(welcome, resources);
    welcome.Press(IDOK);
    robot::Window done = WaitSuccessBox(run);
    ExpectBox(done, "Setup", "Installation completed.", robot::Icon::Information, kOkOnly);
    done.Press(IDOK);
    ExpectCleanEnd(run.Robot());
}

void ExpectCleanEnd(robot::Robot& robot) {
    robot.ExpectNoMoreWindows();
    EXPECT_EQ(robot.WaitExit(), 0u) << robot.Transcript();
}

test::RawValue UninstallValue(const Resources& resources, const std::string& name) {
    return test::ReadRawValue(HKEY_LOCAL_MACHINE, UninstallEntryPath(Get(resources, "APPNAME")),
                              name);
}

std::string Sz(const std::string& text) {
    return text + '\0';
}

void IdeRegistry::Install(const std::string& subkey, const std::string& standin) const {
    const std::string root = WindowsPath(SETUPKIT_STANDINS_DIR) + "\\" + standin;
    test::SetRawValue(HKEY_LOCAL_MACHINE, "Software\\Borland\\" + subkey, "RootDir", REG_SZ,
                      Sz(root));
}

void IdeRegistry::Clear() {
    for (const char* subkey : kIdeSubkeys)
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string("Software\\Borland\\") + subkey);
}

RunningIde::RunningIde(const std::vector<std::string>& classes) {
    std::string command = "\"" + WindowsPath(SETUPKIT_STANDINS_DIR) + "\\d5\\Bin\\delphi32.exe\"";
    for (const std::string& name : classes)
        command += " " + name;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info)) {
        ADD_FAILURE() << "cannot start the IDE stand-in";
        return;
    }
    process_.Reset(info.hProcess);
    UniqueHandle thread(info.hThread);
    for (int waited = 0; waited < 200 && !AllWindowsShown(classes); ++waited)
        ::Sleep(50);
    EXPECT_TRUE(AllWindowsShown(classes)) << "the IDE stand-in shows no windows";
}

RunningIde::~RunningIde() {
    if (!process_)
        return;
    ::TerminateProcess(process_.Get(), 0);
    ::WaitForSingleObject(process_.Get(), 5000);
}

} // namespace setupkit::e2e
