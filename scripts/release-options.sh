# The release flavour's configuration, for every script that builds it (source this file): Debian's
# packaging flags, so that the programs the tests run are the ones the package holds, and one
# build serves both.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
release_options=(
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
  "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
  "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
)
