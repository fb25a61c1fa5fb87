# libspng, the PNG reader under src/bitmap, and zlib (which the PNG writer uses for its
# checksums), as the target tintwell_spng.
#   Linux: Debian's libspng-dev, found through pkg-config, and Debian's zlib1g-dev.
#   The Windows cross build: a static libspng built with MinGW-w64 from Debian's source
#   package against Debian's libz-mingw-w64-dev, installed under TINTWELL_SPNG_PREFIX.
set(TINTWELL_SPNG_PREFIX "" CACHE PATH "Install prefix of a libspng built for the target")

add_library(tintwell_spng INTERFACE)
if(TINTWELL_SPNG_PREFIX)
    # scripts/build-spng-mingw makes this prefix (make windows runs it before configuring).
    set(_spng_header ${TINTWELL_SPNG_PREFIX}/include/spng.h)
    set(_spng_library ${TINTWELL_SPNG_PREFIX}/lib/libspng_static.a)
    if(NOT EXISTS ${_spng_header} OR NOT EXISTS ${_spng_library})
        message(FATAL_ERROR "No libspng under ${TINTWELL_SPNG_PREFIX}: run "
                            "scripts/build-spng-mingw build/windows (make windows runs it)")
    endif()
    # zlib linked statically, as the executables are; the toolchain's find root
    # (/usr/x86_64-w64-mingw32) is where libz-mingw-w64-dev puts it.
    find_library(TINTWELL_ZLIB_STATIC NAMES libz.a REQUIRED)
    add_library(tintwell_spng_static STATIC IMPORTED)
    set_target_properties(tintwell_spng_static PROPERTIES
        IMPORTED_LOCATION ${_spng_library}
        INTERFACE_INCLUDE_DIRECTORIES ${TINTWELL_SPNG_PREFIX}/include
        # Without it spng.h declares every function __declspec(dllimport).
        INTERFACE_COMPILE_DEFINITIONS SPNG_STATIC
        INTERFACE_LINK_LIBRARIES ${TINTWELL_ZLIB_STATIC})
    target_link_libraries(tintwell_spng INTERFACE tintwell_spng_static)
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(SPNG REQUIRED IMPORTED_TARGET spng)
    find_package(ZLIB REQUIRED)
    target_link_libraries(tintwell_spng INTERFACE PkgConfig::SPNG ZLIB::ZLIB)
endif()
