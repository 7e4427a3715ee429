# Makes the release folder an author ships from (cmake --build build --target dist):
#
#   <DIST_DIR>/
#     tarvel.exe, tarvelchk.exe    the installer and the package checker
#     uninst.exe                   the uninstaller a package ships as UNINSTALL_FILE
#     docs/                        the author's documentation, README.md
#     template/                    the sample package, ready to copy: its script
#                                  in Shift-JIS with CR LF line ends
#
# Run by the dist target with -DSOURCE_DIR=... -DDIST_DIR=... -DPROGRAMS=a;b;...
cmake_minimum_required(VERSION 3.18)

foreach(var SOURCE_DIR DIST_DIR PROGRAMS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MakeDist.cmake needs -D${var}=...")
  endif()
endforeach()
find_program(ICONV iconv REQUIRED)

file(REMOVE_RECURSE ${DIST_DIR})
file(MAKE_DIRECTORY ${DIST_DIR}/docs ${DIST_DIR}/template)

foreach(program ${PROGRAMS})
  file(COPY ${program} DESTINATION ${DIST_DIR})
endforeach()

file(COPY ${SOURCE_DIR}/README.md DESTINATION ${DIST_DIR}/docs)
file(GLOB docs ${SOURCE_DIR}/docs/*.md)
file(COPY ${docs} ${SOURCE_DIR}/docs/screenshots DESTINATION ${DIST_DIR}/docs)

# The template: the sample package with the installer in its setup folder.
file(COPY ${SOURCE_DIR}/sample/ DESTINATION ${DIST_DIR}/template PATTERN tarvel.eif.utf8 EXCLUDE)
list(GET PROGRAMS 0 installer)
file(COPY ${installer} DESTINATION ${DIST_DIR}/template/setup)
# The sample names uninst.exe as its uninstaller: the template ships the real one.
foreach(program ${PROGRAMS})
  get_filename_component(name ${program} NAME)
  if(name STREQUAL "uninst.exe")
    file(COPY ${program} DESTINATION ${DIST_DIR}/template/setup)
  endif()
endforeach()

# The installer reads its script in the ANSI code page (Shift-JIS on Japanese
# Windows) with CR LF line ends; the repository keeps it in UTF-8.
file(READ ${SOURCE_DIR}/sample/setup/tarvel.eif.utf8 script)
string(REPLACE "\r\n" "\n" script "${script}")
string(REPLACE "\n" "\r\n" script "${script}")
file(WRITE ${DIST_DIR}/tarvel.eif.crlf "${script}")
execute_process(COMMAND ${ICONV} -f UTF-8 -t CP932
                INPUT_FILE ${DIST_DIR}/tarvel.eif.crlf OUTPUT_FILE ${DIST_DIR}/template/setup/tarvel.eif
                RESULT_VARIABLE converted)
file(REMOVE ${DIST_DIR}/tarvel.eif.crlf)
if(NOT converted EQUAL 0)
  message(FATAL_ERROR "the template script cannot be stored in Shift-JIS")
endif()
message(STATUS "Release folder: ${DIST_DIR}")
