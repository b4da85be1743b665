# Signs the staged Pressavo.exe with Authenticode before CPack zips it (run by CPack).
#   PRESSAVO_SIGN_PFX            the PKCS#12 file with the code-signing key and certificate
#   PRESSAVO_SIGN_PASSWORD_FILE  a file holding its password
#   PRESSAVO_SIGN_TIMESTAMP_URL  optional: an RFC 3161 timestamp server, so that the signature
#                                stays valid after the certificate expires
#   SOURCE_DATE_EPOCH            optional: the signing time, so that signing is reproducible
# With neither of the first two set the package stays unsigned; with one of them, or when signing
# fails, packaging fails rather than ship an unsigned executable.

# Fails the packaging: CPack goes on after a pre-build script's error, but then refuses to make
# the package. It keeps the one of an earlier run, though: that goes too, so that no stale (perhaps
# unsigned) zip is left to be shipped by mistake.
function(fail)
  if(CPACK_OUTPUT_FILE_PATH)
    file(REMOVE "${CPACK_OUTPUT_FILE_PATH}" "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS")
  endif()
  string(JOIN "" text ${ARGV})
  message(FATAL_ERROR "sign.cmake: ${text}")
endfunction()

set(pfx "$ENV{PRESSAVO_SIGN_PFX}")
set(password_file "$ENV{PRESSAVO_SIGN_PASSWORD_FILE}")
if(pfx STREQUAL "" AND password_file STREQUAL "")
  return()
endif()
if(pfx STREQUAL "" OR password_file STREQUAL "")
  fail("PRESSAVO_SIGN_PFX and PRESSAVO_SIGN_PASSWORD_FILE must be set together "
    "(or neither, for an unsigned package)")
endif()
foreach(input IN ITEMS "${pfx}" "${password_file}")
  if(NOT EXISTS "${input}" OR IS_DIRECTORY "${input}")
    fail("no such file: ${input}")
  endif()
endforeach()

find_program(OSSLSIGNCODE osslsigncode)
if(NOT OSSLSIGNCODE)
  fail("signing was asked for, but osslsigncode is not installed")
endif()

# CPack stages the install tree in CPACK_TEMPORARY_DIRECTORY (no top-level directory in this zip,
# but searching keeps this right if one is added).
file(GLOB_RECURSE exe LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/Pressavo.exe")
list(LENGTH exe count)
if(NOT count EQUAL 1)
  fail("expected one staged Pressavo.exe under '${CPACK_TEMPORARY_DIRECTORY}', found ${count}")
endif()

set(options -pkcs12 "${pfx}" -readpass "${password_file}" -h sha256 -n Pressavo)
if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    fail("SOURCE_DATE_EPOCH is not a Unix time: $ENV{SOURCE_DATE_EPOCH}")
  endif()
  # Without a fixed signing time two signings of the same bytes differ.
  list(APPEND options -time "$ENV{SOURCE_DATE_EPOCH}")
endif()
if(NOT "$ENV{PRESSAVO_SIGN_TIMESTAMP_URL}" STREQUAL "")
  # Not tried here: the build machines have no network to reach a timestamp server.
  list(APPEND options -ts "$ENV{PRESSAVO_SIGN_TIMESTAMP_URL}")
endif()

# osslsigncode writes only to a new file: sign into one, then replace the staged executable.
set(signed "${exe}.signed")
file(REMOVE "${signed}")
execute_process(COMMAND "${OSSLSIGNCODE}" sign ${options} -in "${exe}" -out "${signed}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0 OR NOT EXISTS "${signed}")
  file(REMOVE "${signed}")
  fail("signing ${exe} failed (${status}):\n${output}")
endif()
file(RENAME "${signed}" "${exe}")
message(STATUS "sign.cmake: signed ${exe}")
