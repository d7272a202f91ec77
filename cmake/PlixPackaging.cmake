# The archive a Windows user unpacks: plix-<version>-win64.zip or -win32.zip, holding one folder
# plix-<version>/ with plix.exe, its help files and a short readme in English and Japanese.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(PLIX_PACKAGE_BITS 64)
else()
  set(PLIX_PACKAGE_BITS 32)
endif()
set(plix_folder plix-${PROJECT_VERSION})

install(TARGETS plix RUNTIME DESTINATION ${plix_folder})
set(PLIX_PACKAGE_FILES plix.exe README.txt お読みください.txt)

# The help files come from their own line of work; whichever of them is committed is shipped,
# and the readmes speak only of what is shipped.
foreach(help plix.hlp plix-help.html)
  if(EXISTS ${PROJECT_SOURCE_DIR}/app/win32/${help})
    install(FILES ${PROJECT_SOURCE_DIR}/app/win32/${help} DESTINATION ${plix_folder})
    get_filename_component(kind ${help} LAST_EXT)
    string(SUBSTRING ${kind} 1 -1 kind)
    list(APPEND plix_help_shipped ${kind})
    list(APPEND PLIX_PACKAGE_FILES ${help})
  endif()
endforeach()

# The readmes are UTF-8 with a byte-order mark, which Notepad recognises on every Windows since
# 2000, whatever its language for non-Unicode programs: the Japanese readme must be readable on
# a Windows not yet set to Japanese, since it tells how to set it. CRLF, since Notepad before
# Windows 10 shows no other line break.
foreach(readme README.txt お読みください.txt)
  file(READ ${PROJECT_SOURCE_DIR}/packaging/${readme}.in text)
  foreach(help help hlp html)
    if(help IN_LIST plix_help_shipped OR (help STREQUAL "help" AND plix_help_shipped))
      string(REGEX REPLACE "</?${help}>\n?" "" text "${text}")
    else()
      string(REGEX REPLACE "<${help}>.*</${help}>\n?" "" text "${text}")
    endif()
  endforeach()
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/readme/${readme} CONTENT "${text}" @ONLY
       NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/readme/${readme} DESTINATION ${plix_folder})
endforeach()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME plix)
set(CPACK_PACKAGE_VENDOR "PLIX")
# CPack's own variable is left holding the source package's name.
set(PLIX_PACKAGE_NAME plix-${PROJECT_VERSION}-win${PLIX_PACKAGE_BITS})
set(CPACK_PACKAGE_FILE_NAME ${PLIX_PACKAGE_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
