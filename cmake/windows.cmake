# The Windows build: quenmar.exe, the program linked against the SDK's import
# libraries, with the C and C++ runtimes linked in so that it needs only
# Windows' own DLLs.
enable_language(RC)
configure_file(res/quenmar.manifest.in generated/quenmar.manifest @ONLY)
add_executable(quenmar WIN32 res/quenmar.rc)
target_link_libraries(quenmar PRIVATE shell monitor user32 gdi32 shell32 kernel32)
# Large-address-aware: the platform then reports memory exactly up to 4 GiB - 1
# instead of capping it at 2 GiB - 1, and the clean may take blocks above 2 GiB.
target_link_options(quenmar PRIVATE -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections
    -Wl,--large-address-aware -Wl,--dynamicbase -Wl,--nxcompat -Wl,--no-insert-timestamp)
set_source_files_properties(res/quenmar.rc PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/res/GainIcon.ico;${CMAKE_SOURCE_DIR}/res/LoseIcon.ico;${CMAKE_SOURCE_DIR}/res/Vellitor.ico;${CMAKE_SOURCE_DIR}/res/resource.h;${CMAKE_BINARY_DIR}/generated/quenmar.manifest;${CMAKE_BINARY_DIR}/generated/version.h")

# The end-to-end driver, the suite's and the soak's: a console program run
# under Wine beside quenmar.exe.
add_executable(e2e_driver tests/e2e/driver.cpp)
target_include_directories(e2e_driver PRIVATE ${CMAKE_BINARY_DIR}/generated)
# Win32 records are set up as {size} with the rest zero.
target_compile_options(e2e_driver PRIVATE -Wno-missing-field-initializers)
target_link_libraries(e2e_driver PRIVATE psapi advapi32 shell32 user32 gdi32 kernel32)
# Large-address-aware too: it reads the figures such a program is given.
target_link_options(e2e_driver PRIVATE -mconsole -static -static-libgcc -static-libstdc++ -Wl,--large-address-aware)

# The end-to-end suite runs both under Wine (tests/e2e/run sets Wine up).
enable_testing()
add_test(NAME e2e COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/run ${CMAKE_BINARY_DIR})
set_tests_properties(e2e PROPERTIES LABELS e2e TIMEOUT 1500)

add_executable(bench_clean bench/cleanbench.cpp)
target_link_libraries(bench_clean PRIVATE monitor user32 kernel32)
target_link_options(bench_clean PRIVATE -mconsole -static -static-libgcc -static-libstdc++ -Wl,--large-address-aware)

add_executable(bench_ticks bench/tickbench.cpp)
target_include_directories(bench_ticks PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_ticks PRIVATE psapi user32 kernel32)
target_link_options(bench_ticks PRIVATE -mconsole -static -static-libgcc -static-libstdc++)

add_executable(bench_floor WIN32 bench/tickfloor.cpp bench/tickfloor.rc)
target_include_directories(bench_floor PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_floor PRIVATE gdi32 shell32 user32 kernel32)
target_link_options(bench_floor PRIVATE -static -static-libgcc -static-libstdc++)
