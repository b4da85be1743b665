# The Windows back end: the only code that includes windows.h. Everything links statically, so
# the executables import nothing but system DLLs, and carries no link timestamp.
add_library(pressavo_platform STATIC
  platform/ListBox.cpp platform/win32/Broadcast.cpp platform/win32/ListBoxWindow.cpp
  platform/win32/Profile.cpp platform/win32/Program.cpp platform/win32/Text.cpp)
target_include_directories(pressavo_platform PUBLIC platform platform/win32)
target_link_libraries(pressavo_platform PUBLIC user32 kernel32)
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp -s)
# The headers a security review reads: ASLR with the relocations kept, NX, terminal-server aware
# (no Remote Desktop compatibility shims), and on 64-bit high-entropy ASLR. On 32-bit, no SEH
# handler is ever registered (this compiler's C++ exceptions use DWARF tables), so the image says
# so (NO_SEH) instead of carrying an empty SafeSEH table that GNU ld cannot make anyway.
add_link_options(-Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_link_options(-Wl,--high-entropy-va)
else()
  add_link_options(-Wl,--no-seh)
endif()
