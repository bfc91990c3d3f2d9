#pragma once
// A stand-in Delphi 5 installation for one test: the IDE cannot be installed
// here, so its settings key names a folder of the test's own that holds the
// stand-in compiler and make tool in Bin, the compiled forms of the IDE's own
// packages in Lib and a help contents file in HELP.
// The settings key is shared by the whole prefix, so the tests that use it
// do not run beside others.
#include "tests/support/paths.h"
#include "tests/support/registry.h"
#include "tests/support/scratch.h"

#include <string>

namespace setupkit::e2e {

class StandinIde {
  public:
    static constexpr const char* kSettingsKey = "Software\\Borland\\Delphi\\5.0";
    static constexpr const char* kKnownPackages = "Software\\Borland\\Delphi\\5.0\\Known Packages";

    // `root` without a trailing backslash; `contents` is the help contents
    // file's text, or nothing for an IDE without one.
    explicit StandinIde(const std::string& root, const char* contents = ":Base delphi5.hlp\r\n")
        : root_(root + "\\") {
        Forget();
        const std::string bin = root_ + "Bin";
        const std::string help = root_ + "HELP";
        for (const std::string& folder : {bin, help, root_ + "Lib"})
            ::CreateDirectoryA(folder.c_str(), nullptr);
        const std::string lib = WindowsPath(SETUPKIT_STANDINS_DIR "/d5/Lib") + "\\";
        for (const std::string& package : ListFolder(lib))
            ::CopyFileA((lib + package).c_str(), (root_ + "Lib\\" + package).c_str(), FALSE);
        for (const char* tool : {"dcc32", "make"})
            ::CopyFileA(StandinCompiler().c_str(), (bin + "\\" + tool + ".exe").c_str(), FALSE);
        if (contents)
            WriteFile(ContentsFile(), contents);
        WriteRegistryValue(HKEY_LOCAL_MACHINE, kSettingsKey, "RootDir", REG_SZ, root_ + '\0');
    }
    ~StandinIde() { Forget(); }
    StandinIde(const StandinIde&) = delete;
    StandinIde& operator=(const StandinIde&) = delete;

    // No Delphi 5 on the machine, and no package it knows.
    static void Forget() {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, kSettingsKey);
        DeleteRegistryTree(HKEY_CURRENT_USER, kKnownPackages);
    }
    static std::string StandinCompiler() { return WindowsPath(SETUPKIT_STANDIN_COMPILER); }

    const std::string& Root() const { return root_; }
    std::string HelpFolder() const { return root_ + "HELP\\"; }
    std::string ContentsFile() const { return HelpFolder() + "delphi5.cnt"; }

  private:
    std::string root_;
};

} // namespace setupkit::e2e
