# The archive a Windows user unpacks: plix-<version>-win64.zip or -win32.zip, holding one folder
# plix-<version>/ with plix.exe, its manifest, its help files in Japanese and English, the licence,
# the notices of the libraries linked into plix.exe and a short readme in English and Japanese.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(PLIX_PACKAGE_BITS 64)
else()
  set(PLIX_PACKAGE_BITS 32)
endif()
set(plix_folder plix-${PROJECT_VERSION})

install(TARGETS plix RUNTIME DESTINATION ${plix_folder})
# Beside plix.exe, as in the build: packaging/game_files.txt.
get_property(plix_game_files GLOBAL PROPERTY PLIX_GAME_FILES)
install(FILES ${plix_game_files} DESTINATION ${plix_folder})
set(PLIX_PACKAGE_FILES plix.exe LICENSE.txt README.txt お読みください.txt)
foreach(file ${plix_game_files})
  get_filename_component(name "${file}" NAME)
  list(APPEND PLIX_PACKAGE_FILES ${name})
endforeach()
get_property(plix_notices GLOBAL PROPERTY PLIX_NOTICES)
if(plix_notices)
  install(FILES ${plix_notices} DESTINATION ${plix_folder})
  list(APPEND PLIX_PACKAGE_FILES THIRD-PARTY-NOTICES.txt)
else()
  message(STATUS "No Python 3 or dpkg-query: the archives go without THIRD-PARTY-NOTICES.txt")
endif()

# The readmes name the commit, so that whoever has only the archive can build the same one and
# compare. A tree with changes of its own says so.
execute_process(COMMAND git rev-parse HEAD WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                OUTPUT_VARIABLE PLIX_COMMIT OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE plix_git_status ERROR_QUIET)
if(NOT plix_git_status EQUAL 0)
  set(PLIX_COMMIT "unknown (not built from a git checkout)")
else()
  # A new commit or checkout configures the tree again, and with it the readmes.
  execute_process(COMMAND git rev-parse --path-format=absolute --git-path logs/HEAD
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE plix_head_log
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(EXISTS "${plix_head_log}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${plix_head_log}")
  endif()
  execute_process(COMMAND git status --porcelain --untracked-files=no
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE plix_changes)
  if(NOT plix_changes STREQUAL "")
    string(APPEND PLIX_COMMIT " with uncommitted changes")
  endif()
endif()

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
# The licence likewise, as every text file of the archive.
string(ASCII 239 187 191 byte_order_mark)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE text)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/readme/LICENSE.txt CONTENT "${byte_order_mark}${text}"
     @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/readme/LICENSE.txt DESTINATION ${plix_folder})

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
