# The Windows installation and its installer (CPack's NSIS generator,
# scripts/package-windows): the two programs in one folder with the Qt DLLs
# and plugins they load, SQLite inside Qt's driver, libpq for the laboratory's
# server, the MinGW runtime, Qt's Russian texts, the protocol's font; a
# Start-menu entry, the .plq type opening in Pleq, an uninstaller.
if(NOT PLEQ_WINDOWS_PREFIX)
    message(FATAL_ERROR "PLEQ_WINDOWS_PREFIX (the folder scripts/windows-toolchain prints) is not set")
endif()
set(prefix ${PLEQ_WINDOWS_PREFIX})

# The icon, for the programs and the installer.
find_program(PLEQ_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(PLEQ_ICOTOOL icotool REQUIRED)
set(icon ${CMAKE_CURRENT_BINARY_DIR}/pleq.ico)
set(pngs)
foreach(size 16 32 48 256)
    list(APPEND pngs ${CMAKE_CURRENT_BINARY_DIR}/icon-${size}.png)
endforeach()
add_custom_command(OUTPUT ${icon}
    COMMAND ${PLEQ_RSVG_CONVERT} -w 16 -h 16 -o icon-16.png ${CMAKE_CURRENT_SOURCE_DIR}/icons/pleq.svg
    COMMAND ${PLEQ_RSVG_CONVERT} -w 32 -h 32 -o icon-32.png ${CMAKE_CURRENT_SOURCE_DIR}/icons/pleq.svg
    COMMAND ${PLEQ_RSVG_CONVERT} -w 48 -h 48 -o icon-48.png ${CMAKE_CURRENT_SOURCE_DIR}/icons/pleq.svg
    COMMAND ${PLEQ_RSVG_CONVERT} -w 256 -h 256 -o icon-256.png ${CMAKE_CURRENT_SOURCE_DIR}/icons/pleq.svg
    COMMAND ${PLEQ_ICOTOOL} -c -o ${icon} ${pngs}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DEPENDS icons/pleq.svg
    COMMENT "Making the Windows icon")
add_custom_target(pleq_windows_icon DEPENDS ${icon})
# The programs carry the icon and their version as Windows resources.
configure_file(windows/pleq.rc.in ${CMAKE_CURRENT_BINARY_DIR}/pleq.rc @ONLY)
foreach(program pleq pleq-cli)
    target_sources(${program} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/pleq.rc)
    add_dependencies(${program} pleq_windows_icon)
    set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/pleq.rc APPEND PROPERTY OBJECT_DEPENDS ${icon})
endforeach()

install(TARGETS pleq pleq-cli RUNTIME DESTINATION .)
foreach(module Core Gui Widgets PrintSupport Sql)
    install(FILES ${prefix}/bin/Qt6${module}.dll DESTINATION .)
endforeach()
# qoffscreen: pleq-cli writes the PDF protocol without a window.
install(FILES ${prefix}/plugins/platforms/qwindows.dll ${prefix}/plugins/platforms/qoffscreen.dll DESTINATION plugins/platforms)
install(FILES ${prefix}/plugins/styles/qwindowsvistastyle.dll DESTINATION plugins/styles)
install(FILES ${prefix}/plugins/sqldrivers/qsqlite.dll ${prefix}/plugins/sqldrivers/qsqlpsql.dll
        DESTINATION plugins/sqldrivers)
install(FILES ${prefix}/bin/libpq.dll DESTINATION .)
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "The MinGW runtime ${runtime} is not found")
    endif()
    install(FILES ${path} DESTINATION .)
endforeach()
# Qt finds its plugins and translations through qt.conf beside the programs.
install(FILES windows/qt.conf DESTINATION .)
install(FILES /usr/share/qt6/translations/qtbase_ru.qm DESTINATION translations)
# DejaVu's licence allows shipping the font with the program; its terms travel along.
install(FILES /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf DESTINATION fonts)
install(FILES /usr/share/doc/fonts-dejavu-core/copyright DESTINATION fonts RENAME DejaVu-LICENSE.txt)
install(FILES copyright DESTINATION . RENAME COPYRIGHT.txt)

set(CPACK_GENERATOR NSIS)
# A 64-bit Unicode installer: it runs wherever Pleq runs (a 32-bit one needs
# Windows' 32-bit layer, which a Wine without 32-bit support lacks).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_PACKAGE_NAME Pleq)
set(CPACK_PACKAGE_VENDOR "The Pleq developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ELISA plate layout, reading and calculation")
set(CPACK_PACKAGE_FILE_NAME Pleq-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Pleq)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Pleq)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Pleq)
set(CPACK_NSIS_DISPLAY_NAME Pleq)
set(CPACK_NSIS_MUI_ICON ${icon})
set(CPACK_NSIS_MUI_UNIICON ${icon})
set(CPACK_NSIS_INSTALLED_ICON_NAME pleq.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/copyright)
# The Start-menu entry "Pleq" (in the folder "Pleq" beside the uninstaller's).
set(CPACK_PACKAGE_EXECUTABLES pleq Pleq)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
# A double click on a .plq file opens it in Pleq; the uninstaller takes it back.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  WriteRegStr SHCTX 'Software\\\\Classes\\\\.plq' '' 'Pleq.Project'
  WriteRegStr SHCTX 'Software\\\\Classes\\\\Pleq.Project' '' 'Проект Pleq'
  WriteRegStr SHCTX 'Software\\\\Classes\\\\Pleq.Project\\\\DefaultIcon' '' '$INSTDIR\\\\pleq.exe,0'
  WriteRegStr SHCTX 'Software\\\\Classes\\\\Pleq.Project\\\\shell\\\\open\\\\command' '' '\\\"$INSTDIR\\\\pleq.exe\\\" \\\"%1\\\"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  ReadRegStr $0 SHCTX 'Software\\\\Classes\\\\.plq' ''
  StrCmp $0 'Pleq.Project' 0 +2
  DeleteRegKey SHCTX 'Software\\\\Classes\\\\.plq'
  DeleteRegKey SHCTX 'Software\\\\Classes\\\\Pleq.Project'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
")
include(CPack)
