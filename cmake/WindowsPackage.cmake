# Installing and packaging the program on Windows (included by app/CMakeLists.txt):
#   cmake --install build --prefix dist      the program folder dist/bin with Qt deployed
#   cpack --config build/CPackConfig.cmake   a zip of it (-G NSIS: an installer)
include(GNUInstallDirs)

install(TARGETS lomandra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# lomandra-merge is defined in cli/, after this folder: installed by its file name.
install(PROGRAMS $<TARGET_FILE:lomandra-merge> DESTINATION ${CMAKE_INSTALL_BINDIR})
# The files the program looks for in its own folder.
install(FILES ${PROJECT_SOURCE_DIR}/app/resources/HAND-M.CUR DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/app/resources/x/o.cjs DESTINATION ${CMAKE_INSTALL_BINDIR}/x)
install(FILES ${PROJECT_SOURCE_DIR}/Samples/sample1.xls DESTINATION ${CMAKE_INSTALL_BINDIR}/Samples)

# windeployqt at install time: the Qt DLLs, the platform plugin and the styles beside the program.
qt_generate_deploy_app_script(TARGET lomandra OUTPUT_SCRIPT lomandra_deploy_script
                              NO_UNSUPPORTED_PLATFORM_ERROR)
install(SCRIPT ${lomandra_deploy_script})

set(CPACK_PACKAGE_NAME Lomandra)
set(CPACK_PACKAGE_VENDOR Quillbrook)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR ZIP)
set(CPACK_NSIS_DISPLAY_NAME Lomandra)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Lomandra)
include(CPack)
