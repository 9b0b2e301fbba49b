#!/usr/bin/env bash
# The Debian package as a user meets it: builds it from a finished build
# folder, installs it with apt-get, runs one whole synchronisation of the
# sample handheld with the installed /usr/bin programs as a user who is not
# root (a user of its own when run as root), checks that the log went into
# that user's ~/.local/state and that the manual pages are there, then
# removes the package. The machine is left as it was found: the package, the
# packages its installation pulled in and the user go again, even on failure.
#
#   scripts/package-check.sh [BUILD]      (default: build)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
apt_get() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=300 "$@"; }
installed() { dpkg-query -W -f='${binary:Package} ${db:Status-Abbrev}\n' | awk '$2 == "ii" {print $1}' | sort; }
fail() { echo "package check FAILED: $*" >&2; exit 1; }

if installed | grep -q '^corvane-conduit\(:\|$\)'; then
  echo "corvane-conduit is installed on this machine already; the check would replace it." >&2
  exit 1
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/corvane-package.XXXXXX")"
chmod 755 "$work"  # the test user and apt's download user read from here
installed > "$work/packages-before"
user=""
cleanup() {
  local status=$?
  set +e
  if installed | grep -q '^corvane-conduit\(:\|$\)'; then apt_get purge corvane-conduit >/dev/null; fi
  local pulled_in
  pulled_in=$(comm -13 "$work/packages-before" <(installed))
  if [ -n "$pulled_in" ]; then apt_get purge $pulled_in >/dev/null; fi
  if [ -n "$user" ]; then userdel "$user"; fi
  $SUDO rm -rf "$work"
  exit $status
}
trap cleanup EXIT

echo "== package: cpack -G DEB in $build"
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/corvane-conduit_*.deb)
dpkg-deb --field "$deb" Package Version Depends

echo "== apt-get install ./$(basename "$deb")"
apt_get install "$deb" >/dev/null
for p in CorvaneConduit hotsync pdbtool corvane-pc; do
  [ -x "/usr/bin/$p" ] || fail "/usr/bin/$p is not installed"
  page=$(man -w "$p") || fail "no manual page for $p"
  echo "    /usr/bin/$p, manual page $page"
done
version=$(sed -n 's/^set(CORVANE_APP_VERSION "\(.*\)")$/\1/p' "$repo/CMakeLists.txt")
for p in hotsync pdbtool corvane-pc; do
  [ "$("/usr/bin/$p" --version)" = "$p (CorvaneConduit) $version" ] || fail "$p --version"
  "/usr/bin/$p" --help | grep -q . || fail "$p --help"
done

# A user who may not write /usr/bin, with a fresh home and nothing of the caller's environment.
home="$work/home"
if [ "$(id -u)" -eq 0 ]; then
  user="corvane-pkg-$$"
  useradd --no-create-home --home-dir "$home" --shell /bin/sh --user-group "$user"
  mkdir "$home"
  chown "$user:" "$home"
  as_user() { runuser -u "$user" -- "$@"; }
else
  mkdir "$home"
  as_user() { "$@"; }
fi
run() {
  as_user env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    QT_LOGGING_RULES=default.warning=false "$@"
}

echo "== one whole synchronisation of the sample handheld as $(run id -un), HOME=$home"
samples=/usr/share/doc/corvane-conduit/samples
run mkdir "$home/handheld" "$home/pc"
for description in "$samples"/handheld/*.txt; do
  run pdbtool create "$home/handheld/$(basename "$description" .txt).pdb" "$description"
done
run cp -r "$samples/pc/." "$home/pc"
run corvane-pc --exchange "$home/exchange" --handheld "$home/handheld" \
  --logbook "$home/logbook.csv" --data "$home/pc" --timeout 120 | sed 's/^/    /'
flights=$(( $(wc -l < "$home/logbook.csv") - 1 ))
[ "$flights" -eq 20 ] || fail "the logbook holds $flights flights, not 20"
log="$home/.local/state/Veltrane-soft/Corvane/palmSynclog.txt"
grep -q "| Synchronization complete" "$log" || fail "no complete synchronisation in $log"
[ ! -e /usr/bin/palmSynclog.txt ] || fail "a log was written into /usr/bin"
cmp -s "$log" "$home/exchange/palmSynclog.txt" || fail "the log's copy differs from $log"
echo "    20 flights in the logbook; the log is $log"

echo "== apt-get purge corvane-conduit"
apt_get purge corvane-conduit >/dev/null
for p in CorvaneConduit hotsync pdbtool corvane-pc; do
  [ ! -e "/usr/bin/$p" ] || fail "/usr/bin/$p is still there"
  ! man -w "$p" >/dev/null 2>&1 || fail "the manual page of $p is still there"
done
echo "== package check passed"
