# Shared build settings and the helpers every folder uses.

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

set(KELTO_WARNINGS -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)

if(KELTO_SANITIZE)
    string(REPLACE ";" "," _kelto_sanitizers "${KELTO_SANITIZE}")
    add_compile_options(-fsanitize=${_kelto_sanitizers} -fno-omit-frame-pointer)
    if("undefined" IN_LIST KELTO_SANITIZE)
        add_compile_options(-fno-sanitize-recover=undefined)
    endif()
    add_link_options(-fsanitize=${_kelto_sanitizers})
endif()

# With KELTO_FUZZ every library carries the fuzzers' coverage instrumentation, so that a fuzzer is
# guided by the code it exercises, not only by its own few lines. The tests link the same
# libraries; the sanitizer runtime supplies the coverage callbacks there.
set(KELTO_FUZZ_COVERAGE)
if(KELTO_FUZZ)
    set(KELTO_FUZZ_COVERAGE -fsanitize=fuzzer-no-link)
endif()

# Every first-party target gets the repository root and the generated headers on its include path.
function(kelto_target_defaults target)
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}
                                                ${CMAKE_BINARY_DIR}/generated)
    target_compile_options(${target} PRIVATE ${KELTO_WARNINGS})
endfunction()

# kelto_library(<name> SOURCES ... LINKS ...): one static library of a subsystem folder.
function(kelto_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    kelto_target_defaults(${name})
    target_compile_options(${name} PRIVATE ${KELTO_FUZZ_COVERAGE})
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
endfunction()

# The aggregate target "kelto_tsan_tests" builds only the tests that the ThreadSanitizer pass runs.
if(NOT TARGET kelto_tsan_tests)
    add_custom_target(kelto_tsan_tests)
endif()

# kelto_test(<name> SOURCES ... LINKS ... [LABELS ...] [TIMEOUT s] [ENVIRONMENT ...]):
# one GoogleTest executable registered as one CTest test. Label "tsan" adds it to the
# ThreadSanitizer pass; label "serial" keeps it from running beside other tests.
function(kelto_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LINKS;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    kelto_target_defaults(${name})
    target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gmock GTest::gtest_main)
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}"
                         ENVIRONMENT "KELTO_SOURCE_DIR=${CMAKE_SOURCE_DIR};KELTO_BINARY_DIR=${CMAKE_BINARY_DIR};${ARG_ENVIRONMENT}")
    if("serial" IN_LIST ARG_LABELS)
        set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
    endif()
    if("tsan" IN_LIST ARG_LABELS)
        add_dependencies(kelto_tsan_tests ${name})
    endif()
endfunction()

# kelto_fuzzer(<name> SOURCES ... LINKS ... [SECONDS s]): a libFuzzer target, built only with
# KELTO_FUZZ, run by CTest for a bounded time from an empty corpus plus the seeds folder if any;
# the run ends with a line giving the coverage reached (cmake/run-fuzzer.sh).
function(kelto_fuzzer name)
    cmake_parse_arguments(ARG "" "SECONDS;SEEDS" "SOURCES;LINKS" ${ARGN})
    if(NOT KELTO_FUZZ)
        return()
    endif()
    if(NOT ARG_SECONDS)
        set(ARG_SECONDS 60)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    kelto_target_defaults(${name})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${ARG_LINKS})
    set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
    file(MAKE_DIRECTORY ${corpus})
    set(seed_args)
    if(ARG_SEEDS)
        set(seed_args ${ARG_SEEDS})
    endif()
    math(EXPR timeout "${ARG_SECONDS} + 120")
    add_test(NAME ${name}
             COMMAND ${CMAKE_SOURCE_DIR}/cmake/run-fuzzer.sh $<TARGET_FILE:${name}>
                     -max_total_time=${ARG_SECONDS} -timeout=10 -rss_limit_mb=2048
                     -print_final_stats=1 ${corpus} ${seed_args})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} LABELS "fuzz")
endfunction()

find_package(GTest REQUIRED)

# Adds every sub-folder of the current folder that has a CMakeLists.txt, so that a new tool,
# benchmark or test folder joins the build without editing a shared list.
function(kelto_add_subfolders)
    file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
    foreach(entry ${entries})
        if(IS_DIRECTORY ${entry} AND EXISTS ${entry}/CMakeLists.txt)
            add_subdirectory(${entry})
        endif()
    endforeach()
endfunction()
