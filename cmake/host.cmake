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

find_package(GTest REQUIRED)
include(GoogleTest)
enable_testing()
add_subdirectory(tests)

add_executable(bench_clean bench/cleanbench.cpp bench/hostheap.cpp)
target_link_libraries(bench_clean PRIVATE monitor)
