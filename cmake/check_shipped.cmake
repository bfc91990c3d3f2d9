# Run by the <program>_lean tests: fails when a shipped program outgrows its
# budget or imports a DLL that a bare Windows system does not have.
# cmake -DFILE=path -DBUDGET=bytes -DOBJDUMP=path -P check_shipped.cmake
cmake_minimum_required(VERSION 3.20)
set(system_dlls advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32
                user32 version)

file(SIZE "${FILE}" size)
get_filename_component(name "${FILE}" NAME)
math(EXPR kib "${size} / 1024")
math(EXPR budget_kib "${BUDGET} / 1024")
message(STATUS "${name}: ${size} bytes (${kib} KiB), budget ${BUDGET} bytes (${budget_kib} KiB)")
if(size GREATER BUDGET)
    message(SEND_ERROR "${name} is ${size} bytes, over its budget of ${BUDGET} bytes")
endif()

execute_process(COMMAND ${OBJDUMP} -p "${FILE}" OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p ${FILE} failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
if(NOT imports)
    message(SEND_ERROR "${name}: no import table found")
endif()
foreach(line IN LISTS imports)
    string(REGEX REPLACE "^DLL Name: *" "" dll "${line}")
    string(TOLOWER "${dll}" dll)
    string(REGEX REPLACE "\\.dll$" "" base "${dll}")
    message(STATUS "${name} imports ${dll}")
    if(NOT base IN_LIST system_dlls)
        message(SEND_ERROR "${name} imports ${dll}, which is not a system DLL")
    endif()
endforeach()
