# Makes the release folder an author ships from (cmake --build build --target dist):
#
#   <DIST_DIR>/
#     tarvel.exe, tarvelchk.exe    the installer and the package checker
#     uninst.exe                   the uninstaller a package ships as UNINSTALL_FILE
#     docs/                        the author's documentation, README.md
#     template/                    the sample package, ready to copy: its script
#                                  in Shift-JIS with CR LF line ends
#
# The programs are shipped stripped (a third of their size); the build's own,
# which the tests run, keep their symbols.
#
# Run by the dist target with -DSOURCE_DIR=... -DDIST_DIR=... -DPROGRAMS=a;b;...
# and -DSTRIP=<the toolchain's strip>.
cmake_minimum_required(VERSION 3.18)

foreach(var SOURCE_DIR DIST_DIR PROGRAMS STRIP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MakeDist.cmake needs -D${var}=...")
  endif()
endforeach()
find_program(ICONV iconv REQUIRED)

file(REMOVE_RECURSE ${DIST_DIR})
file(MAKE_DIRECTORY ${DIST_DIR}/docs ${DIST_DIR}/template)

set(shipped)
foreach(program ${PROGRAMS})
  get_filename_component(name ${program} NAME)
  execute_process(COMMAND ${STRIP} --strip-all -o ${DIST_DIR}/${name} ${program} RESULT_VARIABLE stripped)
  if(NOT stripped EQUAL 0)
    message(FATAL_ERROR "${program} cannot be stripped")
  endif()
  list(APPEND shipped ${DIST_DIR}/${name})
endforeach()

# The README goes beside the other documents: its links into docs/ lose that level.
file(READ ${SOURCE_DIR}/README.md readme)
string(REPLACE "](docs/" "](" readme "${readme}")
file(WRITE ${DIST_DIR}/docs/README.md "${readme}")
file(GLOB docs ${SOURCE_DIR}/docs/*.md)
file(COPY ${docs} ${SOURCE_DIR}/docs/screenshots DESTINATION ${DIST_DIR}/docs)

# The template: the sample package with the installer in its setup folder.
file(COPY ${SOURCE_DIR}/sample/ DESTINATION ${DIST_DIR}/template PATTERN tarvel.eif.utf8 EXCLUDE)
list(GET shipped 0 installer)
file(COPY ${installer} DESTINATION ${DIST_DIR}/template/setup)
# The sample names uninst.exe as its uninstaller: the template ships the real one.
foreach(program ${shipped})
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
