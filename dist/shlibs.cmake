# shlibs.cmake -- run by CPack before it packs (CPACK_PRE_BUILD_SCRIPTS):
# names the package that provides SDL 1.2 for dpkg-shlibdeps.
#
# Left to itself dpkg-shlibdeps writes `libsdl1.2debian (>= 1.2.15)`, and
# apt satisfies that with the classic SDL 1.2 library, not with sdl12-compat
# (SDL 1.2 on SDL 2), which every test runs boxcity on: the classic library
# neither scales the full-screen picture nor letterboxes it. A
# debian/shlibs.local where dpkg-shlibdeps runs (CPack runs it in the staging
# folder and removes debian/ afterwards) overrides the library's own
# dependency information; every other library keeps its own.

# ---- constants ----
# sdl12-compat's package for the usual library path, and its release in
# Debian 12, the one the tests run on.
set(sdl12_package "libsdl1.2-compat-shim (>= 1.2.60)")

# ---- functions ----
file(WRITE "${CPACK_TEMPORARY_DIRECTORY}/debian/shlibs.local" "libSDL-1.2 0 ${sdl12_package}\n")
