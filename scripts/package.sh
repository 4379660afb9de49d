#!/usr/bin/env bash
# Builds the programs in the Release configuration with Debian's packaging flags (warnings are
# errors, no tests), makes the Debian package and checks it: its file list and control fields,
# the programs running from a scratch root it is extracted into, lintian without errors, the
# desktop entry, the AppStream metadata and the manual pages.
# package.sh [BUILD_DIR (build-release)] [--build-only]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-release}

# The tests' release build is this one: configured again without tests, it adds the programs
# (and, as configured there, the benchmarks) beside the timing tests it already holds.
source scripts/release-options.sh
scripts/build.sh "$dir" "${release_options[@]}" -DBUILD_TESTING=OFF -DVELMORA_WERROR=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
[ "${2:-}" = --build-only ] && exit 0
rm -f "$dir"/velmora_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(echo "$dir"/velmora_*.deb)
version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
fail() { echo "package: $*" >&2; exit 1; }
[ "$deb" = "$dir/velmora_${version}-1_amd64.deb" ] || fail "unexpected package name $deb"

expected="usr/bin/velmora
usr/bin/velmora-cli
usr/bin/velmora-radio-sim
usr/lib/x86_64-linux-gnu/velmora/velmora-charts.so
usr/libexec/velmora/velmora-cli-instruments
usr/libexec/velmora/velmora-cli-plot
usr/share/applications/velmora.desktop
usr/share/bash-completion/completions/velmora-cli
usr/share/doc/velmora/changelog.Debian.gz
usr/share/doc/velmora/README.md
usr/share/doc/velmora/copyright
usr/share/doc/velmora/examples/align-plan.json
usr/share/icons/hicolor/scalable/apps/velmora.svg
usr/share/man/man1/velmora-cli.1.gz
usr/share/man/man1/velmora-radio-sim.1.gz
usr/share/man/man1/velmora.1.gz
usr/share/man/man5/velmora-align-plan.5.gz
usr/share/metainfo/org.velmora.Velmora.metainfo.xml"
for size in 16 22 24 32 48 64 128 256; do
  expected+=$'\n'"usr/share/icons/hicolor/${size}x${size}/apps/velmora.png"
done
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort)
diff <(sort <<<"$expected") <(echo "$actual") || fail "file list differs (< expected, > packaged)"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Section)" = hamradio ] || fail "section is $(field Section)"
for dep in qt6-qpa-plugins "fonts-noto-cjk | fonts-wqy-microhei" libqt6widgets6 libqt6serialport6 \
  libqt6sql6-sqlite libqt6sql6; do
  [[ ", $(field Depends)," == *", $dep"[\ ,]* ]] || fail "Depends lacks $dep: $(field Depends)"
done
[ "$(field Recommends)" = "qt6-translations-l10n, libqt6sql6-psql" ] || fail "Recommends is $(field Recommends)"
plan=$(apt-get install --simulate --no-install-recommends "$(realpath "$deb")" 2>&1) || true
grep -q '^Inst velmora ' <<<"$plan" || fail "apt cannot install the package here: $plan"

root=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$root"
}
trap cleanup EXIT
dpkg -x "$deb" "$root"
bin=$root/usr/bin
[ "$("$bin/velmora" --version)" = "Velmora $version" ] || fail "velmora --version"
[ "$("$bin/velmora-cli" --version)" = "velmora-cli $version" ] || fail "velmora-cli --version"
[ "$("$bin/velmora-radio-sim" --version)" = "velmora-radio-sim $version" ] ||
  fail "velmora-radio-sim --version"
bash -c "source '$root/usr/share/bash-completion/completions/velmora-cli'; COMP_WORDS=(velmora-cli wr);
  COMP_CWORD=1; _velmora_cli; [ \"\${COMPREPLY[*]}\" = write ]" || fail "bash completion"
# The packaged simulated radio and command-line tool read a radio end to end.
"$bin/velmora-radio-sim" --factory --link "$root/com1" >/dev/null &
sim_pid=$!
for _ in $(seq 50); do [ -e "$root/com1" ] && break; sleep 0.1; done
VELMORA_COM1="$root/com1" "$bin/velmora-cli" read "$root/radio.dat" --port 1 >/dev/null ||
  fail "velmora-cli read from velmora-radio-sim"
[ "$(stat -c %s "$root/radio.dat")" = 308 ] || fail "read file is not 308 bytes"
# The plot command runs the packaged plot program from libexec.
"$bin/velmora-cli" plot "$root/radio.dat" -o "$root/radio.svg" >/dev/null &&
  head -c 5 "$root/radio.svg" | grep -q '<?xml' || fail "velmora-cli plot from the package"
# The installed README's quick start, run as written: its sh blocks in order, in a fresh home, with
# the scratch root's programs and files standing for /usr's. A simulated radio it leaves is stopped.
readme=$root/usr/share/doc/velmora/README.md
quickstart=$(awk '/^## Quick start on the bench/ { on = 1; next } on && /^## / { exit }
  on && /^```sh$/ { code = 1; next } code && /^```$/ { code = 0; next } code' "$readme")
[ -n "$quickstart" ] || fail "the README has no quick start"
quickstart=${quickstart//\/usr\/share\/doc\/velmora/$root\/usr\/share\/doc\/velmora}
mkdir -p "$root/home"
quickstart_limit=300s  # a simulated radio that never starts must not hang the package stage
printf '%s\n' 'set -euo pipefail' 'trap '\''kill $(jobs -p) 2>/dev/null || true'\'' EXIT' \
  "$quickstart" >"$root/quickstart.sh"
(cd "$root/home" && HOME="$root/home" XDG_CONFIG_HOME="$root/home/.config" \
  XDG_DATA_HOME="$root/home/.local/share" PATH="$bin:$PATH" \
  timeout "$quickstart_limit" bash "$root/quickstart.sh") \
  >"$root/quickstart.log" 2>&1 || { cat "$root/quickstart.log"; fail "the README's quick start"; }
grep -q '^aligned [0-9]*/[0-9]* points$' "$root/quickstart.log" ||
  { cat "$root/quickstart.log"; fail "the quick start's alignment printed no summary"; }

desktop-file-validate "$root/usr/share/applications/velmora.desktop" | { grep -v ': hint: ' || true; }
desktop-file-validate "$root/usr/share/applications/velmora.desktop" >/dev/null ||
  fail "desktop entry"
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/org.velmora.Velmora.metainfo.xml" \
  >/dev/null || fail "AppStream metadata"
for page in "$root"/usr/share/man/man1/*.1.gz "$root"/usr/share/man/man5/*.5.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "manual page $(basename "$page"): $warnings"
done

# Warnings are shown but allowed (the first packaging closes no Debian bug); errors are not.
status=0
tags=$(lintian --fail-on error "$deb" 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$tags" || true
[ $status -eq 0 ] || fail "lintian reports errors"
echo "package: $deb checked"
