# setupkit_test(NAME SOURCES... [LIBS libs...] [TIMEOUT seconds])
# One GoogleTest program, run by ctest as one test (under Wine in the Windows
# tree, through the cross-compiling emulator).
function(setupkit_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()

# setupkit_uses_standins(TARGET): the test lays out stand-ins for the IDE
# (tests/install_e2e/standin_ide.h): the stand-in compiler and the IDE's own
# compiled packages, where it finds them.
function(setupkit_uses_standins target)
    target_compile_definitions(${target} PRIVATE
        SETUPKIT_STANDIN_COMPILER="$<TARGET_FILE:standin_compiler>"
        SETUPKIT_STANDINS_DIR="${CMAKE_BINARY_DIR}/tests/standins")
    add_dependencies(${target} standin_compiler setupkit_standins)
endfunction()
