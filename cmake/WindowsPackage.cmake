# Installing and packaging the program on Windows (included by app/CMakeLists.txt):
#   cmake --install build --prefix dist      the program folder, ready to run
#   cpack --config build/CPackConfig.cmake   a zip of it and an installer (NSIS)
# The program folder is flat, as the program expects: lomandra.exe and lomandra-merge.exe beside
# HAND-M.CUR, x\o.cjs and Samples\sample1.xls, the Qt DLLs and the Qt plugins the window needs
# (platforms\qwindows.dll; styles\ for the native look; imageformats\qico.dll, without which the
# hand pointer file cannot be read and every start reports it).
#
# The Qt files are installed from Qt's own imported targets rather than by windeployqt: that
# works the same with a Qt built for MinGW on Linux (no windeployqt runs there) and with the Qt
# online installer's kits. A MinGW build also carries the compiler's run-time DLLs that Qt's
# DLLs use; the programs themselves link that run time statically. An MSVC build carries the
# Visual C++ run time (InstallRequiredSystemLibraries).

set(LOMANDRA_WINDOWS_DIR .)  # the program folder, relative to the installation prefix

install(TARGETS lomandra RUNTIME DESTINATION ${LOMANDRA_WINDOWS_DIR})
# lomandra-merge is defined in cli/, after this folder: installed by its file name.
install(PROGRAMS $<TARGET_FILE:lomandra-merge> DESTINATION ${LOMANDRA_WINDOWS_DIR})
# The files the program looks for in its own folder.
install(FILES ${PROJECT_SOURCE_DIR}/app/resources/HAND-M.CUR DESTINATION ${LOMANDRA_WINDOWS_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/app/resources/x/o.cjs DESTINATION ${LOMANDRA_WINDOWS_DIR}/x)
install(FILES ${PROJECT_SOURCE_DIR}/Samples/sample1.xls DESTINATION ${LOMANDRA_WINDOWS_DIR}/Samples)

# Qt: the libraries the program links, and one folder per plugin kind.
foreach(library IN ITEMS Core Gui Widgets)
  install(FILES $<TARGET_FILE:Qt6::${library}> DESTINATION ${LOMANDRA_WINDOWS_DIR})
endforeach()
set(lomandra_qt_plugins
    QWindowsIntegrationPlugin platforms
    QWindowsVistaStylePlugin styles
    QICOPlugin imageformats)
while(lomandra_qt_plugins)
  list(POP_FRONT lomandra_qt_plugins plugin kind)
  if(TARGET Qt6::${plugin})
    install(FILES $<TARGET_FILE:Qt6::${plugin}> DESTINATION ${LOMANDRA_WINDOWS_DIR}/${kind})
  elseif(NOT plugin STREQUAL "QWindowsVistaStylePlugin")
    message(FATAL_ERROR "Qt has no ${plugin}: the program cannot run without it")
  endif()
endwhile()

if(MINGW)
  foreach(dll IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
      message(FATAL_ERROR "The MinGW run time ${dll} is not found beside ${CMAKE_CXX_COMPILER}")
    endif()
    install(FILES ${path} DESTINATION ${LOMANDRA_WINDOWS_DIR})
  endforeach()
elseif(MSVC)
  set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${LOMANDRA_WINDOWS_DIR})
  include(InstallRequiredSystemLibraries)
endif()

# The zip and the installer. The installer installs for the current user, without
# administrator rights, into %LOCALAPPDATA%\Programs\Lomandra, with a Start-menu shortcut and an
# uninstaller that removes every file it put there.
set(CPACK_PACKAGE_NAME Lomandra)
set(CPACK_PACKAGE_VENDOR Quillbrook)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Gathers the displayed text of cell ranges of a workbook into one list")
set(CPACK_PACKAGE_FILE_NAME Lomandra-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Lomandra)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Lomandra)
set(CPACK_PACKAGE_EXECUTABLES lomandra Lomandra)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_NSIS_DISPLAY_NAME Lomandra)
set(CPACK_NSIS_PACKAGE_NAME Lomandra)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ${LOMANDRA_WINDOWS_DIR})
set(CPACK_NSIS_INSTALLED_ICON_NAME lomandra.exe)
set(CPACK_NSIS_INSTALL_ROOT "$LOCALAPPDATA\\\\Programs")
# Read after CMake's own "RequestExecutionLevel admin": a per-user install asks for no rights.
# A 64-bit installer for the 64-bit program (Debian's nsis has the amd64 stubs).
set(CPACK_NSIS_DEFINES "RequestExecutionLevel user\n  Target amd64-unicode")
# CMake's installer script installs for all users when the account is an administrator, and
# into the documents folder otherwise; these lines make every install a per-user one in the
# folder above (unless /D names another), with the user's Start-menu entry and uninstall entry,
# and remove the empty folder the script made on its way. NSIS quotes with '...' here: CPack
# rewrites double quotes in these commands.
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS [[
  SetShellVarContext current
  StrCpy $SV_ALLUSERS 'JustMe'
  StrCmp $IS_DEFAULT_INSTALLDIR 1 0 +4
    SetOutPath '$TEMP'
    RMDir '$INSTDIR'
    StrCpy $INSTDIR '$LOCALAPPDATA\\Programs\\Lomandra'
  SetOutPath '$INSTDIR']])
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS [[
  SetShellVarContext current
  ReadRegStr $START_MENU SHCTX 'Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lomandra' 'StartMenu']])
set(CPACK_NSIS_MODIFY_PATH OFF)
include(CPack)
