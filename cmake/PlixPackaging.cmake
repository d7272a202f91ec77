# The archive a Windows user unpacks: plix-<version>-win64.zip or -win32.zip, holding one folder
# plix-<version>/ with plix.exe, its manifest, its help files and a short readme in English and
# Japanese.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(PLIX_PACKAGE_BITS 64)
else()
  set(PLIX_PACKAGE_BITS 32)
endif()
set(plix_folder plix-${PROJECT_VERSION})

install(TARGETS plix RUNTIME DESTINATION ${plix_folder})
# Beside plix.exe: the manifest, which Windows reads only there, and the help, where the help
# viewer finds it when the game runs from its own folder; the page is for Windows without a viewer.
install(FILES ${PROJECT_SOURCE_DIR}/app/win32/plix.exe.manifest
              ${PROJECT_SOURCE_DIR}/app/win32/plix.hlp ${PROJECT_SOURCE_DIR}/app/win32/plix-help.html
        DESTINATION ${plix_folder})
set(PLIX_PACKAGE_FILES plix.exe plix.exe.manifest plix.hlp plix-help.html README.txt お読みください.txt)

# The readmes are UTF-8 with a byte-order mark, which Notepad recognises on every Windows since
# 2000, whatever its language for non-Unicode programs: the Japanese readme must be readable on
# a Windows not yet set to Japanese, since it tells how to set it. CRLF, since Notepad before
# Windows 10 shows no other line break.
foreach(readme README.txt お読みください.txt)
  file(READ ${PROJECT_SOURCE_DIR}/packaging/${readme}.in text)
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
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
# The same commit gives the same archive bytes anywhere: plix.exe is linked without a time stamp
# and not stripped again here (stripping writes a new one), and cmake/PlixRepackArchives.cmake
# fixes the entries' order, times and folder modes.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  set(CPACK_PLIX_PYTHON3 ${Python3_EXECUTABLE})
  set(CPACK_PLIX_SOURCE_DIR ${PROJECT_SOURCE_DIR})
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PlixRepackArchives.cmake)
else()
  message(STATUS "No Python 3: the archives keep the file times and order of the build")
endif()
include(CPack)
