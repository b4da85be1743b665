# The release step, run by the `package` target: stage what ships, sign the executable, make
# each package from the staged files, sign the packages that carry a signature, describe the
# release (SBOM), and write SHA256SUMS over every file it ships, in that order.
#   cmake -DCONFIG=<build>/release-config.cmake -P cmake/release.cmake
# CONFIG (written at configure time) gives SOURCE_DIR, BINARY_DIR, EXE, MAP, BUILD_NAME,
# VERSION_TEXT, PRODUCT_VERSION, NAME, COMPANY, DESCRIPTION, URL, LICENSE_ID, RELEASE_NAME, SHIPPED
# (the files beside the exe) and PYTHON. Signing: see cmake/sign.cmake.
cmake_minimum_required(VERSION 3.25)
include("${CONFIG}")
include("${CMAKE_CURRENT_LIST_DIR}/sign.cmake")

set(work "${BINARY_DIR}/release")
set(stage "${work}/stage")
set(made "${work}/out")
# What the release ships, beside each other in BINARY_DIR: the packages, then what describes them.
set(packages zip msi)
set(signed_packages msi)  # the packages with an Authenticode signature of their own
set(sbom "${RELEASE_NAME}.cdx.json")

# Runs a command of the release; any failure fails the release.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "release: ${what} failed (${status}):\n${output}")
  endif()
endfunction()

# Nothing of an earlier release survives, of this version or any other, so that a failure below
# leaves no stale (perhaps unsigned) package to be shipped by mistake, and a version bump leaves
# no package outside SHA256SUMS; this release is moved in only when complete.
file(GLOB earlier "${BINARY_DIR}/${NAME}-*" "${BINARY_DIR}/SHA256SUMS")
if(earlier)
  file(REMOVE ${earlier})
endif()
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${stage}" "${made}")

# The time the release's files carry: SOURCE_DATE_EPOCH when given, else the last commit's, so
# that the same sources package to the same bytes. Checked here alone: every step below is given
# this value. (Signing uses only an explicit SOURCE_DATE_EPOCH: see cmake/sign.cmake.)
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(NOT epoch MATCHES "^[0-9]*$")
  message(FATAL_ERROR "release: SOURCE_DATE_EPOCH is not a Unix time: ${epoch}")
elseif(epoch STREQUAL "")
  execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%ct
    RESULT_VARIABLE status OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT status EQUAL 0 OR NOT epoch MATCHES "^[0-9]+$")
    string(TIMESTAMP epoch "%s" UTC)
  endif()
endif()

pressavo_signing_requested(signing)

# The project as the notices and the SBOM name it, from CMakeLists.txt.
set(describe --map "${MAP}" --name "${NAME}" --company "${COMPANY}" --url "${URL}"
  --licence "${LICENSE_ID}" --description "${DESCRIPTION}" --version "${VERSION_TEXT}"
  --build "${BUILD_NAME}" --epoch "${epoch}")

# 1. Stage: the executable as built, the texts that ship with it, and the notices of the
#    third-party code linked into it (from the link map, so none can ship without its notice).
file(COPY_FILE "${EXE}" "${stage}/Pressavo.exe")
foreach(text IN LISTS SHIPPED)
  get_filename_component(name "${text}" NAME)
  file(COPY_FILE "${text}" "${stage}/${name}")
endforeach()
run("the third-party notices" "${PYTHON}" "${SOURCE_DIR}/packaging/contents.py" notices ${describe}
  --exe "${EXE}" --out "${stage}/THIRD-PARTY-NOTICES.txt")

# 2. Sign the executable, before any package takes it in.
if(signing)
  pressavo_sign("${stage}/Pressavo.exe")
endif()

# Fixed times and modes: the packages then depend on the files' contents alone.
file(GLOB staged "${stage}/*")
foreach(file IN LISTS staged)
  if(file MATCHES "\\.exe$")
    file(CHMOD "${file}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
      GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  else()
    file(CHMOD "${file}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endif()
endforeach()
run("fixing the staged files' times" touch -d "@${epoch}" ${staged})

# 3. Each package from the staged files. make_<kind>(<output>) makes one package.
function(make_zip out)
  file(GLOB names RELATIVE "${stage}" "${stage}/*")
  list(SORT names)
  # -X: no extra attributes (owner, access times), which would differ from machine to machine.
  run("the zip" ${CMAKE_COMMAND} -E env TZ=UTC zip -X -q "${out}" ${names}
    WORKING_DIRECTORY "${stage}")
endfunction()
function(make_msi out)
  run("the Windows Installer package" ${CMAKE_COMMAND} -E env "SOURCE_DATE_EPOCH=${epoch}"
    "${SOURCE_DIR}/packaging/msi.sh" "${stage}" "${out}" "${BUILD_NAME}" "${PRODUCT_VERSION}"
    "${COMPANY}")
endfunction()
set(package_files "")
foreach(kind IN LISTS packages)
  set(package "${made}/${RELEASE_NAME}.${kind}")
  cmake_language(CALL make_${kind} "${package}")
  if(NOT EXISTS "${package}")
    message(FATAL_ERROR "release: the ${kind} package was not made")
  endif()
  # 4. Sign each package that carries a signature of its own.
  if(signing AND kind IN_LIST signed_packages)
    pressavo_sign("${package}")
  endif()
  list(APPEND package_files "${package}")
endforeach()

# 5. The SBOM: what the release contains, down to each file linked into the executable.
set(package_options "")
foreach(package IN LISTS package_files)
  list(APPEND package_options --package "${package}")
endforeach()
run("the SBOM" "${PYTHON}" "${SOURCE_DIR}/packaging/contents.py" sbom ${describe}
  --exe "${stage}/Pressavo.exe" ${package_options} --out "${made}/${sbom}")

# 6. SHA256SUMS over every file the release ships.
set(sums "")
foreach(file IN LISTS package_files ITEMS "${made}/${sbom}")
  file(SHA256 "${file}" digest)
  get_filename_component(name "${file}" NAME)
  string(APPEND sums "${digest}  ${name}\n")
endforeach()
file(WRITE "${made}/SHA256SUMS" "${sums}")

# Complete: move the release in beside the build.
file(GLOB released "${made}/*")
foreach(file IN LISTS released)
  get_filename_component(name "${file}" NAME)
  file(RENAME "${file}" "${BINARY_DIR}/${name}")
  message(STATUS "release: ${BINARY_DIR}/${name}")
endforeach()
if(signing)
  message(STATUS "release: Pressavo.exe and the signed packages carry an Authenticode signature")
endif()
