# Delay-loaded system DLLs for the Windows tree. A DLL a program imports is
# loaded before the program's first line runs, searched for first in the
# program's own folder: a version.dll planted beside a downloaded setup would
# run inside it (and under Wine, whose user32 imports version.dll, so would
# importing user32). So the programs import only kernel32 and the C runtime
# directly; every other system DLL is loaded at its first call, after the
# program's first line has restricted the search to the system folder
# (lib/system_dlls.h, whose list of these DLLs must match this one).
#
# setupkit_delay_loaded: an interface library that links, in the import
# libraries' place, delay-load libraries made here from the toolchain's
# import libraries by dlltool. The libraries of the tree link it through
# setupkit_lib and name no system DLL themselves, so that these come first on
# every link line: after all of the tree's own libraries, before the
# compiler's default import libraries.
set(SETUPKIT_DELAY_LOADED advapi32 comctl32 gdi32 ole32 shell32 user32 version)

find_program(SETUPKIT_NM i686-w64-mingw32-nm REQUIRED)
find_program(SETUPKIT_DLLTOOL i686-w64-mingw32-dlltool REQUIRED)

add_library(setupkit_delay_loaded INTERFACE)
set(delay_dir ${CMAKE_BINARY_DIR}/delay_loaded)
file(MAKE_DIRECTORY ${delay_dir})
foreach(dll ${SETUPKIT_DELAY_LOADED})
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${dll}.a
                    OUTPUT_VARIABLE import_lib OUTPUT_STRIP_TRAILING_WHITESPACE)
    # The exports, as the import library names them: "__imp__" and the
    # decorated name.
    execute_process(COMMAND ${SETUPKIT_NM} -g ${import_lib} OUTPUT_VARIABLE symbols
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "cannot read ${import_lib}")
    endif()
    string(REGEX MATCHALL " I __imp__[^\r\n]+" imports "${symbols}")
    list(TRANSFORM imports REPLACE "^ I __imp__" "")
    list(REMOVE_DUPLICATES imports)
    list(JOIN imports "\n" exports)
    file(WRITE ${delay_dir}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
    set(delay_lib ${delay_dir}/lib${dll}_delay.a)
    # --kill-at: the DLL's own names have no "@n".
    execute_process(COMMAND ${SETUPKIT_DLLTOOL} --kill-at --input-def ${delay_dir}/${dll}.def
                            --dllname ${dll}.dll --output-delaylib ${delay_lib}
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "dlltool could not make ${delay_lib}")
    endif()
    target_link_libraries(setupkit_delay_loaded INTERFACE ${delay_lib})
endforeach()
