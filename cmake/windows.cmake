# The Windows build: quenmar.exe, the program linked against the SDK's import
# libraries, with the C and C++ runtimes linked in so that it needs only
# Windows' own DLLs.
enable_language(RC)
add_executable(quenmar WIN32 res/quenmar.rc)
target_link_libraries(quenmar PRIVATE shell monitor user32 gdi32 shell32 kernel32)
target_link_options(quenmar PRIVATE -static -static-libgcc -static-libstdc++ -s -Wl,--gc-sections)
set_source_files_properties(res/quenmar.rc PROPERTIES OBJECT_DEPENDS
    "${CMAKE_SOURCE_DIR}/res/GainIcon.ico;${CMAKE_SOURCE_DIR}/res/LoseIcon.ico;${CMAKE_SOURCE_DIR}/res/Vellitor.ico;${CMAKE_SOURCE_DIR}/res/quenmar.manifest;${CMAKE_SOURCE_DIR}/res/resource.h")
