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

# The end-to-end driver and the soak: console programs run under Wine beside
# quenmar.exe, on the primitives they share.
add_library(e2e OBJECT tests/e2e/e2e.cpp)
add_executable(e2e_driver tests/e2e/driver.cpp)
add_executable(soak_driver tests/e2e/soak.cpp)
target_link_libraries(soak_driver PRIVATE ntdll)
target_include_directories(soak_driver PRIVATE ${CMAKE_BINARY_DIR}/generated)
foreach(target e2e e2e_driver soak_driver)
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
    # Win32 records are set up as {size} with the rest zero.
    target_compile_options(${target} PRIVATE -Wno-missing-field-initializers)
endforeach()
foreach(target e2e_driver soak_driver)
    target_link_libraries(${target} PRIVATE e2e psapi advapi32 shell32 user32 gdi32 kernel32)
    # Large-address-aware too: they read the figures such a program is given.
    target_link_options(${target} PRIVATE -mconsole -static -static-libgcc -static-libstdc++ -Wl,--large-address-aware)
endforeach()

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
