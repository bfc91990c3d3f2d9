#include "uninstall/uninstaller.h"

#include "lib/file.h"
#include "lib/private_folder.h"
#include "lib/temp_file.h"
#include "lib/text.h"
#include "ui/message_box.h"
#include "uninstall/messages.h"
#include "uninstall/product_lock.h"
#include "uninstall/steps.h"

#include <exception>

namespace setupkit::uninstall {
namespace {

using Step = void (*)(UninstallRun&);

// Names a box shows of one group before it says how many more there are:
// a box taller than the screen hides its own OK button.
constexpr std::size_t kLinesPerGroup = 20;

// The whole closing text, for a box that shows only part of it, in a file of
// the temporary folder named after the product; empty when it cannot be written.
std::string WriteWholeList(const std::string& appName, const std::string& text) {
    std::string name = appName;
    for (char& c : name)
        if (std::string("\\/:*?\"<>|").find(c) != std::string::npos || c < ' ')
            c = '_';
    const std::string path = GetTempFolder() + name + " - uninstall.txt";
    return file::WriteAll(path, text) ? path : std::string();
}

std::string ClosingText(const std::string& appName, const UninstallReport& report) {
    std::string text = FinalText(appName, report, kLinesPerGroup);
    const std::string whole = FinalText(appName, report);
    if (text == whole)
        return text;
    const std::string path = WriteWholeList(appName, whole);
    if (!path.empty())
        text += "\r\n\r\n" + FormatWith(messages::kWholeListLine, path);
    return text;
}

// Later steps do not depend on earlier ones having succeeded: a step that
// stops part-way leaves its cause for the closing box, and the rest of the
// installation is still removed. Nothing is put back.
constexpr Step kSteps[] = {RemoveHelpEntries,     RemovePackages,       RemoveFiles,
                           OfferRemovalAtRestart, RemoveProductRecords, RemoveFolders,
                           RemoveUninstallEntry,  RemoveItself};

void RunSteps(UninstallRun& run) {
    for (const Step step : kSteps) {
        try {
            step(run);
        } catch (const std::exception& error) {
            ::OutputDebugStringA((std::string("uninstall: ") + error.what() + "\n").c_str());
            run.report.failures.push_back(error.what());
        }
    }
}

void ShowUnknownProduct(const std::string& appName) {
    ShowMessage(FormatWith(messages::kUnknownProductText, appName), messages::kCaption,
                MB_ICONEXCLAMATION);
}

void Uninstall(const std::string& appName) {
    UninstallReport report;
    // Read again after the question: a setup may have run meanwhile.
    const std::optional<UninstallEntry> entry = ReadUninstallEntry(appName, report);
    if (!entry) {
        ShowUnknownProduct(appName);
        return;
    }
    const OtherEntries others = OtherEntries::Read(appName);
    const WriteFolders writeFolders = FoldersWrittenBy(*entry, report);
    SelfRemoval self;
    {
        UninstallProgress progress;
        UninstallRun run{*entry, others, writeFolders, report, self, progress, {}, {}};
        RunSteps(run);
    }
    ShowMessage(ClosingText(appName, report), messages::kCaption,
                report.HasProblems() ? MB_ICONEXCLAMATION : MB_ICONINFORMATION);
}

} // namespace

void RemoveItself(UninstallRun& run) {
    run.self.Start();
}

void OfferRemovalAtRestart(UninstallRun& run) {
    UninstallReport& report = run.report;
    if (report.notRemoved.empty())
        return;
    std::string files;
    for (const std::string& path : report.notRemoved)
        files += path + "\r\n";
    if (!AskOk(FormatWith(messages::kInUseText, files), messages::kCaption, MB_ICONQUESTION))
        return;
    // The files stay in the entry: after the restart, its next run finds them
    // gone and removes their folders and the entry.
    for (const std::string& path : report.notRemoved)
        (::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? report.atRestart
                                                                           : report.restartRefused)
            .push_back(path);
}

void RunUninstall(const std::string& appName) {
    // The folders of earlier runs' copies, which could not remove themselves.
    RemoveStalePrivateFolders();
    UninstallReport unread;
    if (!ReadUninstallEntry(appName, unread)) {
        ShowUnknownProduct(appName);
        return;
    }
    const ProductLock lock(appName);
    if (!lock.Held()) {
        ShowMessage(FormatWith(messages::kAlreadyRunningText, appName), messages::kCaption,
                    MB_ICONEXCLAMATION);
        return;
    }
    if (!AskOk(FormatWith(messages::kConfirmText, appName), messages::kCaption, MB_ICONQUESTION))
        return;
    Uninstall(appName);
}

} // namespace setupkit::uninstall
