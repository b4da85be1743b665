# Writes SHA256SUMS beside the packages CPack just made (run by CPack after packaging).
set(sums "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  file(SHA256 "${package}" digest)
  get_filename_component(name "${package}" NAME)
  string(APPEND sums "${digest}  ${name}\n")
endforeach()
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${sums}")
