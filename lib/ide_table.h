#pragma once
// The IDE versions a setup can target, as both the setup (which finds and
// builds for the IDE) and the builder (which checks product.ini) know them.
// One row per IdeKind, in its order:
//
//   code  settings subkey     program   required version  help contents  packages  Delphi
//   D2    Delphi\2.0          delphi32  any               delphi.cnt     none      yes
//   C1    C++Builder\1.0      bcb       any               bcb.cnt        none      no
//   D3    Delphi\3.0          delphi32  5.83              delphi3.cnt    .DPL      yes
//   C3    C++Builder\3.0      bcb       3.70              bcb3.cnt       .BPL      no
//   D4    Delphi\4.0          delphi32  5.108             delphi4.cnt    .BPL      yes
//   C4    C++Builder\4.0      bcb       14.11             bcb4.cnt       .BPL      no
//   D5    Delphi\5.0          delphi32  any               delphi5.cnt    .BPL      yes
//
// The settings subkey is below HKEY_LOCAL_MACHINE\Software\Borland; the Known
// Packages key, below HKEY_CURRENT_USER, is the settings key's own
// "Known Packages" under Software\Borland. The required version is the low
// half of the program's file version.
#include <cstdint>

namespace setupkit {

inline constexpr std::uint32_t kAnyIdeVersion = 0xFFFFFFFF;

struct IdeFacts {
    const char* code;
    const char* registrySubkey;
    const char* executable;
    std::uint32_t requiredVersion;
    const char* helpContentsFile;
    const char* packageExtension; // empty: the IDE has no packages
    const char* knownPackagesKey; // empty: the IDE has no packages
    bool isDelphi;                // else C++Builder
};

inline constexpr IdeFacts kIdeTable[] = {
    {"D2", "Delphi\\2.0", "delphi32", kAnyIdeVersion, "delphi.cnt", "", "", true},
    {"C1", "C++Builder\\1.0", "bcb", kAnyIdeVersion, "bcb.cnt", "", "", false},
    {"D3", "Delphi\\3.0", "delphi32", 0x00050053, "delphi3.cnt", ".DPL",
     "Software\\Borland\\Delphi\\3.0\\Known Packages", true},
    {"C3", "C++Builder\\3.0", "bcb", 0x00030046, "bcb3.cnt", ".BPL",
     "Software\\Borland\\C++Builder\\3.0\\Known Packages", false},
    {"D4", "Delphi\\4.0", "delphi32", 0x0005006C, "delphi4.cnt", ".BPL",
     "Software\\Borland\\Delphi\\4.0\\Known Packages", true},
    {"C4", "C++Builder\\4.0", "bcb", 0x000E000B, "bcb4.cnt", ".BPL",
     "Software\\Borland\\C++Builder\\4.0\\Known Packages", false},
    {"D5", "Delphi\\5.0", "delphi32", kAnyIdeVersion, "delphi5.cnt", ".BPL",
     "Software\\Borland\\Delphi\\5.0\\Known Packages", true},
};

} // namespace setupkit
