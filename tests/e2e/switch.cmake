# The default-printer switch seen from outside: profile, default printer, broadcast, window, version.
pressavo_e2e_program(pressavo-switch-probe SwitchProbe.cpp)
target_compile_definitions(pressavo-switch-probe PRIVATE
  PRESSAVO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} PRESSAVO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  PRESSAVO_VERSION_TEXT="${PRESSAVO_VERSION_TEXT}" PRESSAVO_COMPANY="${PRESSAVO_COMPANY}"
  PRESSAVO_DESCRIPTION="${PRESSAVO_DESCRIPTION}" PRESSAVO_COPYRIGHT="${PRESSAVO_COPYRIGHT}")
target_link_libraries(pressavo-switch-probe PRIVATE version winspool advapi32)

set(probe $<TARGET_FILE:pressavo-switch-probe>)
# Windows programs name files by Windows paths; Wine's drive Z: is the Linux root.
set(exe Z:$<TARGET_FILE:Pressavo>)

# A run's bound only catches one that never ends.
set(run_bound 120)

# Each broadcast case also checks that the run's window was message-only, and the profile entry and
# the default printer after the run (with --deny-write: status 1, the entry left as it was).
pressavo_e2e_test(switch.broadcast-with-arguments COMMAND ${probe} broadcast ${run_bound} ${exe} /s "two words" -x)
pressavo_e2e_test(switch.write-refused COMMAND ${probe} broadcast ${run_bound} --deny-write ${exe})
pressavo_e2e_test(switch.version COMMAND ${probe} version ${exe})
# The one send as the real run makes it: HWND_BROADCAST, WM_WININICHANGE, wParam 0, any lParam,
# SMTO_ABORTIFHUNG alone (Wine would not show SMTO_NOTIMEOUTIFNOTHUNG's unbounded wait), 5000 ms.
pressavo_e2e_test(switch.broadcast-call COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/quiet-run.sh +relay
  user32.SendMessageTimeoutA 0xffff 0x1a 0 - 2 5000)
pressavo_e2e_test(switch.broadcast COMMAND ${probe} broadcast ${run_bound} ${exe})
# Three threads that never pump, each with a window and Wine's IME window: waiting them out costs
# 30 s. The probe fails if the run ends 5 s or more after its listener heard the message (one
# window waited out), whatever the start costs; the whole run must also take under 4 s.
pressavo_e2e_test(switch.hung-window COMMAND ${probe} broadcast 4 --hung=3 ${exe})
pressavo_e2e_test(switch.never-shown COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/never-shown.sh ${probe})

# The DLL search: a DLL planted in the program's folder is never loaded. The control is the bare
# write-and-broadcast reference, which leaves the search as Windows sets it.
add_library(pressavo-planted SHARED PlantedDll.cpp)
target_include_directories(pressavo-planted PRIVATE ${PROJECT_SOURCE_DIR}/platform/win32)
set_target_properties(pressavo-planted PROPERTIES PREFIX "")
pressavo_e2e_test(switch.planted-dll COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/planted-dll.sh
  $<TARGET_FILE:pressavo-planted> uxtheme $<TARGET_FILE:ref-bare>)
# The run under the UTF-8 system code page: the whole switch, as on any other.
pressavo_e2e_test(switch.utf8 COMMAND ${utf8_locale} ${probe} broadcast ${run_bound} --code-page=65001 ${exe})
# The run's text conversions as the real run makes them (8 calls: 4 texts, each measured, then
# converted): no default character and no used-default flag, which Windows refuses with UTF-8
# and Wine accepts; WC_NO_BEST_FIT_CHARS (0x400) where the code page takes it, none with UTF-8.
pressavo_e2e_test(switch.conversions-utf8 COMMAND ${utf8_locale} ${CMAKE_CURRENT_SOURCE_DIR}/quiet-run.sh
  +relay --calls=8 KERNEL32.WideCharToMultiByte 65001 0 - - - - 0 0)
pressavo_e2e_test(switch.conversions COMMAND ${cp1252_locale} ${CMAKE_CURRENT_SOURCE_DIR}/quiet-run.sh
  +relay --calls=8 KERNEL32.WideCharToMultiByte 1252 0x400 - - - - 0 0)
# Wine reports a manifest it cannot parse; Windows would refuse to start the program.
pressavo_e2e_test(switch.manifest-accepted COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/quiet-run.sh err+actctx)
