# The Windows back end: the only code that includes windows.h. Everything links statically, so
# the executables import nothing but system DLLs, and carries no link timestamp.
add_library(pressavo_platform STATIC
  platform/ListBox.cpp platform/win32/Broadcast.cpp platform/win32/ListBoxWindow.cpp
  platform/win32/Profile.cpp platform/win32/Program.cpp platform/win32/Text.cpp)
target_include_directories(pressavo_platform PUBLIC platform platform/win32)
target_link_libraries(pressavo_platform PUBLIC user32 kernel32)
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp -s)
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)
