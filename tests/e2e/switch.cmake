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
if(PRESSAVO_E2E_EMULATED)
  # Each start takes about a minute: the cases that differ by build, with a looser bound.
  pressavo_e2e_test(switch.hung-window COMMAND ${probe} broadcast 150 --hung ${exe})
else()
  pressavo_e2e_test(switch.broadcast COMMAND ${probe} broadcast 120 ${exe})
  pressavo_e2e_test(switch.hung-window COMMAND ${probe} broadcast 15 --hung ${exe})
  pressavo_e2e_test(switch.never-shown COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/never-shown.sh ${probe})
endif()

# The DLL search: a DLL planted in the program's folder is never loaded. The control is the bare
# write-and-broadcast reference, which leaves the search as Windows sets it.
add_library(pressavo-planted SHARED PlantedDll.cpp)
target_include_directories(pressavo-planted PRIVATE ${PROJECT_SOURCE_DIR}/platform/win32)
set_target_properties(pressavo-planted PROPERTIES PREFIX "")
pressavo_e2e_test(switch.planted-dll COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/planted-dll.sh
  $<TARGET_FILE:pressavo-planted> uxtheme $<TARGET_FILE:ref-bare>)
# Wine reports a manifest it cannot parse; Windows would refuse to start the program.
pressavo_e2e_test(switch.manifest-accepted COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/quiet-run.sh err+actctx)
