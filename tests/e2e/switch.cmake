# The default-printer switch seen from outside: profile, default printer, broadcast, window, version.
pressavo_e2e_program(pressavo-switch-probe SwitchProbe.cpp)
target_compile_definitions(pressavo-switch-probe PRIVATE
  PRESSAVO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} PRESSAVO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  PRESSAVO_VERSION_TEXT="${PRESSAVO_VERSION_TEXT}")
target_link_libraries(pressavo-switch-probe PRIVATE version winspool)

set(probe $<TARGET_FILE:pressavo-switch-probe>)
# Windows programs name files by Windows paths; Wine's drive Z: is the Linux root.
set(exe Z:$<TARGET_FILE:Pressavo>)

# Each broadcast case also checks the profile entry and the default printer after the run.
pressavo_e2e_test(switch.broadcast-with-arguments COMMAND ${probe} broadcast 120 ${exe} /s "two words" -x)
pressavo_e2e_test(switch.version COMMAND ${probe} version ${exe})
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # 32-bit programs run through qemu-user here, each start taking about a minute: the shipped build
  # gets the cases that differ by build, and a looser bound on the hung-window run.
  pressavo_e2e_test(switch.hung-window COMMAND ${probe} broadcast 150 --hung ${exe} TIMEOUT 600)
else()
  pressavo_e2e_test(switch.broadcast COMMAND ${probe} broadcast 120 ${exe})
  pressavo_e2e_test(switch.hung-window COMMAND ${probe} broadcast 15 --hung ${exe})
  pressavo_e2e_test(switch.never-shown COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/never-shown.sh ${probe})
endif()
