#!/usr/bin/env bash
# The Debian package as a person meets it: built, checked by lintian, its menu entry and
# AppStream data validated, then unpacked into a temporary root whose zsumbra copies a
# local site and whose desktop program starts offscreen and ends when asked to. Settings,
# job list and bus are private to the run.
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$build"
cpack --config CPackConfig.cmake >/dev/null
deb="$(ls "$build"/zelvor-sumbra_*.deb)"
lintian --fail-on error "$deb"
root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/org.zelvor.Sumbra.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.zelvor.Sumbra.metainfo.xml" >/dev/null
for page in zsumbra ZelvorSumbra; do
  test -s "$root/usr/share/man/man1/$page.1.gz"
done

mkdir -m 700 "$work/run"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
export TMPDIR="$work" QT_QPA_PLATFORM=offscreen
export ZELVOR_SUMBRA_USER_HIVE="$work/user.hive" ZELVOR_SUMBRA_MACHINE_HIVE="$work/machine.hive"
mkdir "$work/site"
echo '<html><img src="a.png"><a href="b.html">b</a></html>' >"$work/site/index.html"
echo picture >"$work/site/a.png"
echo '<html>b</html>' >"$work/site/b.html"
"$root/usr/bin/zsumbra" get "$work/site/index.html" "$work/copy" --quiet
test "$(cat "$work/copy/a.png")" = picture
test -f "$work/copy/b.html"
"$root/usr/bin/zsumbra" --help >/dev/null

# The unpacked desktop program, on a bus of its own, ends cleanly when asked to.
dbus-run-session -- sh -c '
  "$1" --automation & program=$!
  for _ in $(seq 100); do
    gdbus call --session -d org.zelvor.Sumbra -o /Program -m org.zelvor.Sumbra.Program.Quit \
      >/dev/null 2>&1 && break
    sleep 0.1
  done
  wait "$program"' sh "$root/usr/bin/ZelvorSumbra" 2>"$work/program.log" || {
  cat "$work/program.log" >&2
  echo "the unpacked desktop program did not end cleanly" >&2
  exit 1
}
echo "package test passed"
