# The host build: the program linked against the simulated Win32 platform, and the tests.
add_library(simwin32 STATIC
    platform/sim/log.cpp
    platform/sim/kernel.cpp
    platform/sim/window.cpp
    platform/sim/paint.cpp
    platform/sim/message.cpp
    platform/sim/msgbox.cpp
    platform/sim/resource.cpp
    platform/sim/shell.cpp)
target_include_directories(simwin32 PUBLIC ${CMAKE_SOURCE_DIR})

# GoogleTest from Debian's sources, built 32-bit like the rest, without the
# project's warnings (its sources are not held to them).
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
set_target_properties(gtest gtest_main PROPERTIES COMPILE_OPTIONS "-m32")
include(GoogleTest)
enable_testing()
add_subdirectory(tests)

add_executable(bench_clean bench/cleanbench.cpp bench/hostheap.cpp)
target_link_libraries(bench_clean PRIVATE monitor)
