# Runs the Windows compile check (see WindowsCompileCheck.cmake): reads compile_commands.json,
# turns each program translation unit's command into a MinGW-w64 -fsyntax-only command, and
# runs them through a generated Ninja file, two at a time. Called by CTest as
#   cmake -DSETTINGS=<build>/windows-compile/settings.cmake -DWORK=<folder> -P RunWindowsCompileCheck.cmake
cmake_minimum_required(VERSION 3.25)
include("${SETTINGS}")

if(NOT EXISTS "${cxx}")
  find_program(found_cxx "${cxx}")
  if(NOT found_cxx)
    message(FATAL_ERROR "${cxx} not found: install Debian's g++-mingw-w64-x86-64-posix.")
  endif()
  set(cxx "${found_cxx}")
endif()
if(NOT ninja)
  message(FATAL_ERROR "ninja not found: install Debian's ninja-build.")
endif()

# What a Qt 6 program is compiled with on Windows (Qt's Platform target for MinGW), beside the
# defines of the Linux build's own command.
set(windows_flags -std=c++20
    -DUNICODE -D_UNICODE -DWIN32 -DWIN64 -D_WIN64 -DMINGW_HAS_SECURE_API=1 -DNOMINMAX
    -DWIN32_LEAN_AND_MEAN
    -D_ENABLE_EXTENDED_ALIGNED_STORAGE)
set(fallback_dirs -idirafter /usr/include -idirafter /usr/include/x86_64-linux-gnu)

# An include folder of the Linux build as MinGW needs it: the project's and Qt's first, every
# other system folder after MinGW's own headers; Qt's Linux mkspec is no Windows one.
function(map_include path out)
  string(FIND "${path}/" "${source_dir}/" in_source)
  string(FIND "${path}/" "${binary_dir}/" in_build)
  if(path MATCHES "/mkspecs/")
    set(${out} "" PARENT_SCOPE)
  elseif(in_source EQUAL 0 OR in_build EQUAL 0)
    set(${out} "-I${path}" PARENT_SCOPE)
  elseif(path MATCHES "^/usr/include/x86_64-linux-gnu/qt6(/|$)")
    set(${out} "-isystem${path}" PARENT_SCOPE)
  else()
    # One word each (never "-idirafter" "path"), so that removing repeated flags keeps pairs whole.
    set(${out} "-idirafter${path}" PARENT_SCOPE)
  endif()
endfunction()

# The flags of one Linux command worth keeping: defines, include folders, warnings.
function(windows_flags_of command out)
  separate_arguments(args UNIX_COMMAND "${command}")
  set(flags "")
  set(next "")
  foreach(arg IN LISTS args)
    if(next)
      map_include("${arg}" mapped)
      list(APPEND flags ${mapped})
      set(next "")
    elseif(arg STREQUAL "-I" OR arg STREQUAL "-isystem" OR arg STREQUAL "-iquote")
      set(next 1)
    elseif(arg MATCHES "^-(I|isystem)(.+)$")
      map_include("${CMAKE_MATCH_2}" mapped)
      list(APPEND flags ${mapped})
    elseif(arg MATCHES "^-(D|W)")
      list(APPEND flags "${arg}")
    endif()
  endforeach()
  set(${out} "${flags}" PARENT_SCOPE)
endfunction()

# A path in a Ninja build line.
function(ninja_path text out)
  string(REPLACE "$" "$$" text "${text}")
  string(REPLACE " " "$ " text "${text}")
  string(REPLACE ":" "$:" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Words as one shell command line inside a Ninja variable.
function(shell_join list out)
  set(joined "")
  foreach(item IN LISTS list)
    if(item MATCHES "[^A-Za-z0-9_./=+:,-]")
      string(REPLACE "'" "'\\''" item "${item}")
      set(item "'${item}'")
    endif()
    string(APPEND joined " ${item}")
  endforeach()
  string(REPLACE "$" "$$" joined "${joined}")
  set(${out} "${joined}" PARENT_SCOPE)
endfunction()

file(READ "${binary_dir}/compile_commands.json" database)
string(JSON count LENGTH "${database}")
math(EXPR last "${count} - 1")
set(units "")          # source paths, in the database's order
set(all_flags "")      # every flag seen, for the Windows-only sources
set(rules "")
set(index 0)
foreach(i RANGE ${last})
  string(JSON entry GET "${database}" ${i})
  string(JSON file GET "${entry}" file)
  string(JSON command ERROR_VARIABLE no_command GET "${entry}" command)
  if(no_command)
    continue()
  endif()
  if(NOT command MATCHES "CMakeFiles/([^/ ]+)\\.dir/")
    continue()
  endif()
  if(NOT CMAKE_MATCH_1 IN_LIST targets OR file IN_LIST units)
    continue()
  endif()
  list(APPEND units "${file}")
  windows_flags_of("${command}" flags)
  list(APPEND all_flags ${flags})
  list(APPEND unit_flags_${index} ${flags})
  math(EXPR index "${index} + 1")
endforeach()
list(REMOVE_DUPLICATES all_flags)
list(LENGTH units built_units)
if(built_units EQUAL 0)
  message(FATAL_ERROR "No program translation unit in ${binary_dir}/compile_commands.json.")
endif()

# Windows-only sources compile with the program's include folders and defines together.
foreach(folder IN LISTS windows_folders)
  file(GLOB_RECURSE found LIST_DIRECTORIES false "${folder}/*.cpp")
  list(SORT found)
  list(APPEND windows_sources ${found})
endforeach()
foreach(file IN LISTS windows_sources)
  if(NOT file IN_LIST units)
    list(APPEND units "${file}")
    set(unit_flags_${index} ${all_flags})
    math(EXPR index "${index} + 1")
  endif()
endforeach()

# Every .cpp of the program folders must be checked or skipped by name.
set(unchecked "")
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE found LIST_DIRECTORIES false "${folder}/*.cpp")
  foreach(file IN LISTS found)
    if(NOT file IN_LIST units AND NOT file IN_LIST skipped)
      list(APPEND unchecked "${file}")
    endif()
  endforeach()
endforeach()
if(unchecked)
  list(JOIN unchecked "\n  " listed)
  message(FATAL_ERROR "Not in the Windows compile check (no program target builds them):\n  ${listed}\n"
                      "Name Windows-only sources with lomandra_windows_sources() and sources of no "
                      "program with lomandra_windows_check_skip() (cmake/WindowsCompileCheck.cmake).")
endif()

# One Ninja edge per unit; the stamp and depfile let a rerun check only what changed. Each unit
# is compiled as it is, without a precompiled header: one forced in front of every unit would
# hide a Qt include a Windows-only branch forgot, and bring Qt's macros (emit) where the unit
# never sees them.
shell_join("${cxx}" cxx_escaped)
string(CONCAT ninja_file
       "rule check\n  command =${cxx_escaped} $flags -MMD -MF $out.d $in && touch $out\n"
       "  depfile = $out.d\n  deps = gcc\n  description = Windows: $in\n")
list(LENGTH units total)
math(EXPR last "${total} - 1")
foreach(i RANGE ${last})
  list(GET units ${i} file)
  set(flags ${windows_flags} -fsyntax-only ${unit_flags_${i}} ${fallback_dirs})
  shell_join("${flags}" flags_text)
  ninja_path("${file}" file_escaped)
  string(APPEND ninja_file "build unit${i}.stamp: check ${file_escaped}\n  flags =${flags_text}\n")
endforeach()
file(WRITE "${WORK}/build.ninja.new" "${ninja_file}")
file(COPY_FILE "${WORK}/build.ninja.new" "${WORK}/build.ninja" ONLY_IF_DIFFERENT)

string(TIMESTAMP started "%s")
execute_process(COMMAND "${ninja}" -C "${WORK}" -j 2 -k 0
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
string(TIMESTAMP finished "%s")
math(EXPR seconds "${finished} - ${started}")
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${output}\nThe Windows compile check failed (${total} translation units).")
endif()
message(STATUS "${total} translation units compile for Windows (${built_units} from the build, "
               "${seconds} s).")
