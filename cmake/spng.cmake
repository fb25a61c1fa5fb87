# libspng, the PNG codec under src/bitmap, as the target tintwell_spng.
#   Linux: Debian's libspng-dev (over zlib), found through pkg-config.
#   The Windows cross build: a static libspng built with MinGW-w64 from Debian's source
#   package against Debian's libz-mingw-w64-dev, installed under TINTWELL_SPNG_PREFIX.
set(TINTWELL_SPNG_PREFIX "" CACHE PATH "Install prefix of a libspng built for the target")

add_library(tintwell_spng INTERFACE)
if(TINTWELL_SPNG_PREFIX)
    message(FATAL_ERROR "TINTWELL_SPNG_PREFIX: the cross build of libspng is not wired yet")
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(SPNG REQUIRED IMPORTED_TARGET spng)
    target_link_libraries(tintwell_spng INTERFACE PkgConfig::SPNG)
endif()
