# The release flavour's configuration, for every script that builds it (source this file): Debian's
# packaging flags, so that the programs the tests run are the ones the package holds, and one
# build serves both.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# No debugging information: the package strips it anyway, and it costs the build a fifth of its
# time. The sanitizer builds keep theirs for their reports.
export DEB_CXXFLAGS_MAINT_STRIP=-g DEB_CPPFLAGS_MAINT_STRIP=-g
# Release without its -O3: Debian's -O2 stands, as in a Debian build (and GCC 12 warns falsely of
# overlapping copies in std::string at -O3).
release_options=(
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG -DCMAKE_INSTALL_PREFIX=/usr
  -DCMAKE_UNITY_BUILD=ON
  "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
  "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
  "-DCMAKE_MODULE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
)
