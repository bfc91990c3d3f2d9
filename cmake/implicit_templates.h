// Forced into every C++ file of the Windows release tree (see the root
// CMakeLists.txt). The C++ runtime declares its string and stream templates
// as instantiated inside the runtime, so a call to any one member links the
// runtime's whole instantiation object, every member of it (tens of KB per
// character type). Instantiated by the compiler instead, a file gets only the
// members it uses. The runtime's header sets the switch unconditionally, hence
// the override after it.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE 0
