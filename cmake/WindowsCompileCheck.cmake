# The Windows compile check: the CTest test `windows-compile` compiles every translation unit of
# the programs (lomandra, lomandra-merge and every library they link, moc and resource files
# included) with MinGW-w64 and -fsyntax-only against Debian's Qt 6 headers, in which Qt takes the
# Windows branches (Q_OS_WIN). It is a compile check, not a link: Debian has no MinGW build of
# Qt, libzip or expat, so their headers stand in (-idirafter, after MinGW's own).
#
# Where the files come from:
# - The program targets are found here, at configure time, by following the link libraries of
#   the two executables; every source the build compiles for one of them is then taken from
#   compile_commands.json, with its own defines and include folders. A file added to any of
#   these targets, or a library newly linked, is checked without anything written here.
# - Sources that build only on Windows, and so are in no Linux target, join in one of two ways;
#   they compile with the include folders and defines of all program sources together:
#   - a folder that holds nothing else is named in LOMANDRA_WINDOWS_FOLDERS (top-level
#     CMakeLists.txt, as sheet/com is): every .cpp below it is checked, found when the test runs;
#   - single files are named with lomandra_windows_sources(File1.cpp ...) from a CMakeLists.txt
#     the Linux build reads (for instance before a folder returns when not on Windows).
# - A .cpp under a program folder that is in none of these makes the check fail, so a new
#   Windows-only file cannot be forgotten. One that belongs to no program (a test helper kept
#   beside its code) is named with lomandra_windows_check_skip(File.cpp ...).

set(LOMANDRA_WINDOWS_CXX_NAME x86_64-w64-mingw32-g++-posix)

function(lomandra_windows_sources)
  foreach(file IN LISTS ARGN)
    get_filename_component(path "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    set_property(GLOBAL APPEND PROPERTY LOMANDRA_WINDOWS_SOURCES "${path}")
  endforeach()
endfunction()

function(lomandra_windows_check_skip)
  foreach(file IN LISTS ARGN)
    get_filename_component(path "${file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
    set_property(GLOBAL APPEND PROPERTY LOMANDRA_WINDOWS_CHECK_SKIPPED "${path}")
  endforeach()
endfunction()

# The project's targets reachable from `roots` through their link libraries (imported targets,
# Qt's and the system's, are left out).
function(_lomandra_link_closure out)
  set(seen "")
  set(queue ${ARGN})
  while(queue)
    list(POP_FRONT queue name)
    string(REGEX REPLACE "::@.*$" "" name "${name}")  # a link made from another folder
    if(NOT TARGET "${name}")
      continue()
    endif()
    get_target_property(aliased "${name}" ALIASED_TARGET)
    if(aliased)
      set(name "${aliased}")
    endif()
    get_target_property(imported "${name}" IMPORTED)
    if(imported OR name IN_LIST seen)
      continue()
    endif()
    list(APPEND seen "${name}")
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(libraries "${name}" ${property})
      if(NOT libraries)
        continue()
      endif()
      foreach(library IN LISTS libraries)
        # $<LINK_ONLY:x> and $<TARGET_OBJECTS:x> name targets too (resources, private links).
        string(REGEX MATCHALL "\\$<(LINK_ONLY|TARGET_OBJECTS):[^>$]+>" wrapped "${library}")
        foreach(item IN LISTS wrapped)
          string(REGEX REPLACE "^\\$<[A-Z_]+:([^>$]+)>$" "\\1" item "${item}")
          list(APPEND queue "${item}")
        endforeach()
        if(NOT library MATCHES "\\$<")
          list(APPEND queue "${library}")
        endif()
      endforeach()
    endforeach()
  endwhile()
  set(${out} "${seen}" PARENT_SCOPE)
endfunction()

# Adds the test over the PROGRAMS (target names) and the WINDOWS_FOLDERS; FOLDERS are the
# source folders whose .cpp files must all be checked or skipped.
function(lomandra_add_windows_compile_check)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "" "PROGRAMS;FOLDERS;WINDOWS_FOLDERS")
  _lomandra_link_closure(targets ${arg_PROGRAMS})
  get_property(windows_sources GLOBAL PROPERTY LOMANDRA_WINDOWS_SOURCES)
  get_property(skipped GLOBAL PROPERTY LOMANDRA_WINDOWS_CHECK_SKIPPED)
  set(folders "")
  foreach(folder IN LISTS arg_FOLDERS)
    list(APPEND folders "${PROJECT_SOURCE_DIR}/${folder}")
  endforeach()
  set(windows_folders "")
  foreach(folder IN LISTS arg_WINDOWS_FOLDERS)
    list(APPEND windows_folders "${PROJECT_SOURCE_DIR}/${folder}")
  endforeach()
  find_program(LOMANDRA_WINDOWS_CXX ${LOMANDRA_WINDOWS_CXX_NAME})
  if(NOT LOMANDRA_WINDOWS_CXX)
    set(LOMANDRA_WINDOWS_CXX "${LOMANDRA_WINDOWS_CXX_NAME}")  # the check says it is missing
  endif()
  find_program(LOMANDRA_NINJA ninja)

  set(work "${CMAKE_BINARY_DIR}/windows-compile")
  file(MAKE_DIRECTORY "${work}")
  set(settings "${work}/settings.cmake")
  file(WRITE "${settings}"
       "set(targets [==[${targets}]==])\n"
       "set(windows_sources [==[${windows_sources}]==])\n"
       "set(skipped [==[${skipped}]==])\n"
       "set(folders [==[${folders}]==])\n"
       "set(windows_folders [==[${windows_folders}]==])\n"
       "set(source_dir [==[${PROJECT_SOURCE_DIR}]==])\n"
       "set(binary_dir [==[${CMAKE_BINARY_DIR}]==])\n"
       "set(cxx [==[${LOMANDRA_WINDOWS_CXX}]==])\n"
       "set(ninja [==[${LOMANDRA_NINJA}]==])\n")
  add_test(NAME windows-compile
           COMMAND ${CMAKE_COMMAND} -DSETTINGS=${settings} -DWORK=${work}
                   -P ${PROJECT_SOURCE_DIR}/cmake/RunWindowsCompileCheck.cmake)
  set_tests_properties(windows-compile PROPERTIES LABELS windows-compile TIMEOUT 1800)
endfunction()
