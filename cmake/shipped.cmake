# What the programs carried inside every setup are built with in the Windows
# tree. Every setup file holds the stub and unrar.dll, so their size is the
# fixed cost of every setup; budgets are checked by a test.
#
# Compiled code: the Release build of the Windows tree is optimised for size
# and instantiates the runtime's string templates itself (see the root
# CMakeLists.txt and implicit_templates.h).

# The runtime of the win32-thread compiler variant: the -posix one the tree
# is built with (GoogleTest needs its std::thread) links winpthreads into
# programs that start no thread, for static locals and the exception
# machinery. Same compiler release, so the objects link against either.
execute_process(COMMAND i686-w64-mingw32-gcc-win32 -print-libgcc-file-name
                OUTPUT_VARIABLE setupkit_win32_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE setupkit_win32_found)
if(setupkit_win32_found EQUAL 0 AND EXISTS "${setupkit_win32_libgcc}")
    get_filename_component(SETUPKIT_WIN32_RUNTIME_DIR "${setupkit_win32_libgcc}" DIRECTORY)
else()
    message(WARNING "i686-w64-mingw32-gcc-win32 not found (scripts/install-deps.sh installs "
                    "it): shipped programs link winpthreads")
endif()

find_program(SETUPKIT_OBJDUMP i686-w64-mingw32-objdump)

# setupkit_shipped_program(TARGET BUDGET bytes)
# Links TARGET lean and adds the tests that keep it so: its size within
# BUDGET, and only system DLLs in its import table.
function(setupkit_shipped_program target)
    cmake_parse_arguments(S "" "BUDGET" "" ${ARGN})
    if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
        return()
    endif()
    # Unused sections go (type names and the like: code stays, see the root
    # CMakeLists.txt); the stock terminate handler, which demangles the
    # exception's type name for a console these programs do not have,
    # becomes abort() and takes the demangler and printf with it.
    target_link_options(${target} PRIVATE -Wl,--gc-sections
        -Wl,--defsym,__ZN9__gnu_cxx27__verbose_terminate_handlerEv=_abort)
    # The runtime's own failures without its copy-on-write exception classes
    # (lib/runtime_errors.cpp).
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:setupkit_runtime_errors>)
    if(SETUPKIT_WIN32_RUNTIME_DIR)
        # Searched before the driver's own folder for libstdc++, libgcc and libgcc_eh.
        target_link_options(${target} PRIVATE -L${SETUPKIT_WIN32_RUNTIME_DIR})
    endif()
    add_test(NAME ${target}_lean
        COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}> -DBUDGET=${S_BUDGET}
                -DOBJDUMP=${SETUPKIT_OBJDUMP} -P ${CMAKE_SOURCE_DIR}/cmake/check_shipped.cmake)
endfunction()
