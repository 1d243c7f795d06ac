# The Windows build: quenmar.exe, the program linked against the SDK's import
# libraries, with the C and C++ runtimes linked in so that it needs only
# Windows' own DLLs.
enable_language(RC)
add_executable(quenmar WIN32 res/quenmar.rc)
target_link_libraries(quenmar PRIVATE shell monitor user32 gdi32 shell32 kernel32)
target_link_options(quenmar PRIVATE -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections)
set_source_files_properties(res/quenmar.rc PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/res/GainIcon.ico;${CMAKE_SOURCE_DIR}/res/LoseIcon.ico;${CMAKE_SOURCE_DIR}/res/Vellitor.ico;${CMAKE_SOURCE_DIR}/res/quenmar.manifest;${CMAKE_SOURCE_DIR}/res/resource.h")

# The end-to-end driver: a console program run under Wine beside quenmar.exe.
add_executable(e2e_driver tests/e2e/driver.cpp)
target_include_directories(e2e_driver PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(e2e_driver PRIVATE psapi user32 gdi32 kernel32)
target_link_options(e2e_driver PRIVATE -mconsole -static -static-libgcc -static-libstdc++)

# The end-to-end suite runs both under Wine (tests/e2e/run sets Wine up).
enable_testing()
add_test(NAME e2e COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/run ${CMAKE_BINARY_DIR})
set_tests_properties(e2e PROPERTIES LABELS e2e TIMEOUT 1500)

add_executable(bench_clean bench/cleanbench.cpp)
target_link_libraries(bench_clean PRIVATE monitor user32 kernel32)
target_link_options(bench_clean PRIVATE -mconsole -static -static-libgcc -static-libstdc++)
