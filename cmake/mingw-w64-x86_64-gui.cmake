# The window's cross build for 64-bit Windows (preset windows-gui): Qt as DLLs, built once by
# scripts/build-qt-mingw, whose printed prefix TINTWELL_QT_PREFIX names (make windows-gui
# sets it). Qt's own toolchain file puts that prefix on the find root and chains to the
# compiler settings Qt was built with; the host's Qt gives moc, rcc and uic.
if(DEFINED ENV{TINTWELL_QT_PREFIX} AND NOT "$ENV{TINTWELL_QT_PREFIX}" STREQUAL "")
    set(TINTWELL_QT_PREFIX "$ENV{TINTWELL_QT_PREFIX}" CACHE PATH "Qt for MinGW-w64" FORCE)
endif()
set(_qt_toolchain "${TINTWELL_QT_PREFIX}/lib/cmake/Qt6/qt.toolchain.cmake")
if(NOT TINTWELL_QT_PREFIX OR NOT EXISTS "${_qt_toolchain}")
    message(FATAL_ERROR "No Qt for MinGW-w64 at '${TINTWELL_QT_PREFIX}': build it with "
                        "scripts/build-qt-mingw and pass its output in TINTWELL_QT_PREFIX "
                        "(make windows-gui does both)")
endif()
# try_compile runs this file again in a project of its own.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TINTWELL_QT_PREFIX)

# Qt DLLs need the C++ runtime as a DLL too: the toolchain Qt was built with links no -static.
set(QT_CHAINLOAD_TOOLCHAIN_FILE "${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64-qt.cmake")
set(QT_HOST_PATH /usr CACHE PATH "The host's Qt, for its tools")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "The host Qt's packages")
include("${_qt_toolchain}")
