# Pressavo.exe, and everything it is built with that the libraries are not.
#
# A run only writes the profile, broadcasts and ends; it never lists a section. The libraries
# keep C++ exceptions (the listing reports a failing list control with a typed error, and the
# listing probes link them), but in the executable every cleanup landing pad would pull
# libstdc++'s exception runtime, terminate handler and demangler, and every std::__throw_* call
# of inlined string code every standard exception class: about 200 KB around 2 KB of the run's
# own code. So the executable compiles the run's sources itself, without exceptions, and links
# LeanRuntime.cpp, which ends the process where the standard library would throw.
# bench/footprint.sh reads the link map (Pressavo.map) and fails if any of it comes back.
set(PRESSAVO_EXE_SOURCES
  app/Form1.cpp
  platform/win32/Broadcast.cpp platform/win32/Profile.cpp platform/win32/Program.cpp
  platform/win32/Text.cpp platform/win32/WinMain.cpp platform/win32/LeanRuntime.cpp)
add_executable(Pressavo WIN32 ${PRESSAVO_EXE_SOURCES} resources/Pressavo.rc)
target_include_directories(Pressavo PRIVATE app platform platform/win32)
target_link_libraries(Pressavo PRIVATE user32 kernel32)
target_compile_options(Pressavo PRIVATE -fno-exceptions -fno-rtti -ffunction-sections -fdata-sections)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # With no exceptions nothing unwinds through the run's code: i686's DWARF unwind tables would
  # be dead weight. (64-bit code keeps its unwind data: Windows' own stack walking uses it.)
  target_compile_options(Pressavo PRIVATE -fno-asynchronous-unwind-tables)
endif()
target_link_options(Pressavo PRIVATE -Wl,--gc-sections -Wl,-Map=${CMAKE_BINARY_DIR}/Pressavo.map)
set_target_properties(Pressavo PROPERTIES OUTPUT_NAME Pressavo RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

configure_file(resources/version.h.in ${CMAKE_CURRENT_BINARY_DIR}/generated/version.h @ONLY)
# (bench/ takes these two properties over for the size floor, which compiles the same .rc.)
set_property(SOURCE resources/Pressavo.rc APPEND PROPERTY INCLUDE_DIRECTORIES
             ${CMAKE_CURRENT_BINARY_DIR}/generated ${CMAKE_CURRENT_SOURCE_DIR}/resources)
# windres reads the icon and the manifest itself; tell the build so that a new one relinks.
set_property(SOURCE resources/Pressavo.rc APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_CURRENT_SOURCE_DIR}/resources/Pressavo.ico
             ${CMAKE_CURRENT_SOURCE_DIR}/resources/Pressavo.manifest)
