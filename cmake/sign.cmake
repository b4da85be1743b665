# Authenticode signing of release files with osslsigncode, for cmake/release.cmake.
#   PRESSAVO_SIGN_PFX            the PKCS#12 file with the code-signing key and certificate
#   PRESSAVO_SIGN_PASSWORD_FILE  a file holding its password
#   PRESSAVO_SIGN_TIMESTAMP_URL  optional: an RFC 3161 timestamp server, so that the signature
#                                stays valid after the certificate expires
#   SOURCE_DATE_EPOCH            optional: the signing time, so that signing is reproducible
#                                (checked by cmake/release.cmake before anything is signed)
# With neither of the first two set the release stays unsigned; with one of them, or when signing
# fails, the release fails rather than ship an unsigned file.

# Sets <out> to TRUE when a key is given, FALSE when none is; fails on half a key.
function(pressavo_signing_requested out)
  set(pfx "$ENV{PRESSAVO_SIGN_PFX}")
  set(password_file "$ENV{PRESSAVO_SIGN_PASSWORD_FILE}")
  if(pfx STREQUAL "" AND password_file STREQUAL "")
    set(${out} FALSE PARENT_SCOPE)
    return()
  endif()
  if(pfx STREQUAL "" OR password_file STREQUAL "")
    message(FATAL_ERROR "sign: PRESSAVO_SIGN_PFX and PRESSAVO_SIGN_PASSWORD_FILE must be set "
      "together (or neither, for an unsigned release)")
  endif()
  foreach(input IN ITEMS "${pfx}" "${password_file}")
    if(NOT EXISTS "${input}" OR IS_DIRECTORY "${input}")
      message(FATAL_ERROR "sign: no such file: ${input}")
    endif()
  endforeach()
  find_program(OSSLSIGNCODE osslsigncode)
  if(NOT OSSLSIGNCODE)
    message(FATAL_ERROR "sign: signing was asked for, but osslsigncode is not installed")
  endif()
  set(${out} TRUE PARENT_SCOPE)
endfunction()

# Signs <file> in place (a PE file or a Windows Installer package) with the given key.
function(pressavo_sign file)
  find_program(OSSLSIGNCODE osslsigncode REQUIRED)
  set(options -pkcs12 "$ENV{PRESSAVO_SIGN_PFX}" -readpass "$ENV{PRESSAVO_SIGN_PASSWORD_FILE}"
    -h sha256 -n Pressavo)
  if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    # Without a fixed signing time two signings of the same bytes differ.
    list(APPEND options -time "$ENV{SOURCE_DATE_EPOCH}")
  endif()
  if(NOT "$ENV{PRESSAVO_SIGN_TIMESTAMP_URL}" STREQUAL "")
    # Not tried here: the build machines have no network to reach a timestamp server.
    list(APPEND options -ts "$ENV{PRESSAVO_SIGN_TIMESTAMP_URL}")
  endif()
  # osslsigncode writes only to a new file: sign into one, then replace the original.
  set(signed "${file}.signed")
  file(REMOVE "${signed}")
  execute_process(COMMAND "${OSSLSIGNCODE}" sign ${options} -in "${file}" -out "${signed}"
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0 OR NOT EXISTS "${signed}")
    file(REMOVE "${signed}")
    message(FATAL_ERROR "sign: signing ${file} failed (${status}):\n${output}")
  endif()
  file(RENAME "${signed}" "${file}")
  message(STATUS "sign: signed ${file}")
endfunction()
