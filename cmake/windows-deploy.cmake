# The window's portable layout on Windows, as Qt's deployment tool lays one out:
#   cmake --install build/windows-gui --prefix DIR
# gives DIR/tintwell.exe and tintwell-cli.exe with, beside them, the Qt DLLs, the MinGW-w64
# runtime DLLs (Qt and the programs share one C++ runtime), platforms/qwindows.dll, styles/,
# imageformats/ and translations/ with Qt's own Japanese and English texts (the window's own
# are compiled into it). tests/qt adds the component qt_tests, installed only when named
# (--component qt_tests): the Qt Test suites, Qt6Test.dll and the offscreen platform in the
# same layout, so the suites run against exactly what ships.

# An imported Qt library or plugin, copied from the Qt prefix into `destination`.
function(tintwell_install_qt target destination)
    cmake_parse_arguments(PARSE_ARGV 2 _arg "" "COMPONENT" "")
    set(_component)
    if(_arg_COMPONENT)
        set(_component COMPONENT ${_arg_COMPONENT} EXCLUDE_FROM_ALL)
    endif()
    install(FILES $<TARGET_FILE:${target}> DESTINATION ${destination} ${_component})
endfunction()

foreach(_module Core Gui Widgets)
    tintwell_install_qt(Qt6::${_module} .)
endforeach()
tintwell_install_qt(Qt6::QWindowsIntegrationPlugin platforms)
foreach(_plugin QWindowsVistaStylePlugin QModernWindowsStylePlugin)
    if(TARGET Qt6::${_plugin})
        tintwell_install_qt(Qt6::${_plugin} styles)
    endif()
endforeach()
foreach(_plugin QGifPlugin QICOPlugin QJpegPlugin)
    if(TARGET Qt6::${_plugin})
        tintwell_install_qt(Qt6::${_plugin} imageformats)
    endif()
endforeach()

# The compiler's own runtime DLLs (MinGW-w64): libstdc++ and libgcc beside the compiler,
# winpthreads in its sysroot; the compiler names each.
if(MINGW)
    foreach(_dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_dll}
                        OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${_path}" OR NOT EXISTS "${_path}")
            message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${_dll} is")
        endif()
        file(REAL_PATH "${_path}" _path)
        install(FILES ${_path} DESTINATION .)
    endforeach()
endif()

# Qt's own texts: from the Qt kit when it has them, else from the host (Debian's
# qt6-translations-l10n; the cross-built Qt has no translations of its own). The .qm files
# are the same on every system.
find_path(TINTWELL_QT_TRANSLATIONS qtbase_ja.qm
          PATHS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS} /usr/share/qt6/translations
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(TINTWELL_QT_TRANSLATIONS)
    foreach(_language ja en)
        install(FILES ${TINTWELL_QT_TRANSLATIONS}/qtbase_${_language}.qm
                      ${TINTWELL_QT_TRANSLATIONS}/qt_${_language}.qm
                DESTINATION translations)
    endforeach()
else()
    message(WARNING "Qt's translations are missing (Debian package qt6-translations-l10n): "
                    "Qt's own dialogs will speak English")
endif()
