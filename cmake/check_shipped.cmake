# Run by the <program>_lean tests: fails when a shipped program outgrows its
# budget, or imports directly any DLL but kernel32 and the C runtime (the
# system DLLs it needs besides are delay-loaded, see cmake/delay_load.cmake).
# cmake -DFILE=path -DBUDGET=bytes -DOBJDUMP=path -P check_shipped.cmake
cmake_minimum_required(VERSION 3.20)
set(direct_dlls kernel32 msvcrt)

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
    if(NOT base IN_LIST direct_dlls)
        message(SEND_ERROR "${name} imports ${dll} directly: it would be loaded, from beside "
                           "the program first, before the program's first line")
    endif()
endforeach()
