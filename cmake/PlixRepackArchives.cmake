# Run by CPack after it has written the archives (CPACK_POST_BUILD_SCRIPTS): each is written anew
# with its entries in name order and all of one time, so that a commit gives the same bytes in any
# folder, on any day and for any user. The time is SOURCE_DATE_EPOCH when set, else the commit's.
set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
  execute_process(COMMAND git log -1 --format=%ct
                  WORKING_DIRECTORY "${CPACK_PLIX_SOURCE_DIR}"
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0)
    string(TIMESTAMP epoch "%s" UTC)
    message(WARNING "${CPACK_PLIX_SOURCE_DIR} is no git checkout and SOURCE_DATE_EPOCH is not set: "
                    "the archives carry the present time")
  endif()
endif()
foreach(archive IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${CPACK_PLIX_PYTHON3}" "${CPACK_PLIX_SOURCE_DIR}/cmake/repack_zip.py"
                          "${epoch}" "${archive}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
