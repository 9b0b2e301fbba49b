#!/usr/bin/env bash
# The Debian package, checked without changing the system: built from a
# finished build folder, its contents and manual pages looked at, its
# installation simulated with apt-get, and one whole synchronisation of the
# sample handheld run with the programs unpacked into a temporary root.
#
# With --install (CI does this when CI=true), also as a user meets it: the
# package installed with apt-get, a synchronisation run with the installed
# /usr/bin programs as a user who is not root (a user of its own when run as
# root), its log looked for in that user's ~/.local/state, and the package
# removed again with exactly the packages its installation brought in. A
# corvane-conduit already installed is left as it is: the check then stays
# with the unpacked root.
#
#   scripts/package-check.sh [BUILD] [--install]      (default: build)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$repo/build"
install=false
for a in "$@"; do
  case "$a" in
    --install) install=true ;;
    *) build="$(cd "$a" && pwd)" ;;
  esac
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
apt_get() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=300 "$@"; }
installed() { dpkg-query -W -f='${binary:Package} ${db:Status-Abbrev}\n' | awk '$2 == "ii" {print $1}' | sed 's/:.*//' | sort; }
fail() { echo "package check FAILED: $*" >&2; exit 1; }
programs=(CorvaneConduit hotsync pdbtool corvane-pc corvane-handheld)
version=$(sed -n 's/^set(CORVANE_APP_VERSION "\(.*\)")$/\1/p' "$repo/CMakeLists.txt")

work="$(mktemp -d "${TMPDIR:-/tmp}/corvane-package.XXXXXX")"
chmod 755 "$work"  # the test user and apt's download user read from here
ours=""   # the packages this check installed, removed again at the end
user=""
cleanup() {
  local status=$?
  set +e
  if [ -n "$ours" ]; then apt_get purge $ours >/dev/null; fi
  if [ -n "$user" ]; then userdel "$user"; fi
  $SUDO rm -rf "$work"
  exit $status
}
trap cleanup EXIT

echo "== package: cpack -G DEB in $build"
(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb=$(ls "$work"/package/corvane-conduit_*.deb)
dpkg-deb --field "$deb" Package Version Depends
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "the package's version is not $version"

echo "== its contents and manual pages"
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for p in "${programs[@]}"; do
  grep -qx "./usr/bin/$p" <<<"$contents" || fail "/usr/bin/$p is not in the package"
  page=$(grep -x "./usr/share/man/man1/$p\.1\(\.gz\)\?" <<<"$contents") || fail "no manual page for $p"
done
grep -qx "./usr/share/doc/corvane-conduit/README.md" <<<"$contents" || fail "no README"
root="$work/root"
dpkg-deb --extract "$deb" "$root"
for p in "${programs[@]}"; do
  page=$(ls "$root/usr/share/man/man1/$p".1*)
  man -l "$page" 2>/dev/null | grep -q . || fail "the manual page of $p does not render"
  zcat -f "$page" | head -1 | grep -q "CorvaneConduit $version" || fail "the manual page of $p is not of $version"
  # The conduit takes no options: run outside a HotSync it waits for its user.
  [ "$p" = CorvaneConduit ] ||
    [ "$("$root/usr/bin/$p" --version 2>/dev/null || true)" = "$p (CorvaneConduit) $version" ] ||
    fail "$p --version"
done
echo "    ${#programs[@]} programs, their manual pages, the README and the samples"

echo "== apt-get install --simulate"
simulated=$(apt-get install --simulate -o Debug::NoLocking=1 "$deb" 2>&1) ||
  { echo "$simulated" >&2; fail "apt-get would not install it"; }
would_install=$(awk '/^Inst / {print $2}' <<<"$simulated" | sed 's/:.*//' | sort)
echo "    would install: $(echo $would_install)"

# One whole synchronisation of the sample handheld with corvane-pc, the programs
# in BIN, as the caller or through AS_USER, in a fresh home with nothing of the
# caller's environment; the log is expected in LOG.
synchronise() {
  local bin="$1" home="$2" log_of="$3" samples="$4"
  run() {
    $as_user env -i HOME="$home" PATH="$bin:/usr/bin:/bin" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
      QT_LOGGING_RULES=default.warning=false "$@"
  }
  run mkdir -p "$home/handheld" "$home/pc"
  for description in "$samples"/handheld/*.txt; do
    run "$bin/pdbtool" create "$home/handheld/$(basename "$description" .txt).pdb" "$description"
  done
  run cp -r "$samples/pc/." "$home/pc"
  run "$bin/corvane-pc" --exchange "$home/exchange" --handheld "$home/handheld" \
    --logbook "$home/logbook.csv" --data "$home/pc" --timeout 120 | sed 's/^/    /'
  local flights=$(( $(wc -l < "$home/logbook.csv") - 1 ))
  [ "$flights" -eq 20 ] || fail "the logbook holds $flights flights, not 20"
  grep -q "| Synchronization complete" "$log_of" || fail "no complete synchronisation in $log_of"
  cmp -s "$log_of" "$home/exchange/palmSynclog.txt" || fail "the log's copy differs from $log_of"
  echo "    20 flights in the logbook; the log is $log_of"
}

echo "== one whole synchronisation with the programs unpacked into $root"
as_user=""
synchronise "$root/usr/bin" "$work/unpacked-home" "$root/usr/bin/palmSynclog.txt" \
  "$root/usr/share/doc/corvane-conduit/samples"

if ! $install; then
  echo "== package check passed (nothing installed; scripts/package-check.sh --install installs it too)"
  exit 0
fi
if installed | grep -qx corvane-conduit; then
  echo "== corvane-conduit is installed on this machine already: it stays as it is, the check ends here"
  exit 0
fi

echo "== apt-get install ./$(basename "$deb")"
before=$(installed)
apt_get install "$deb" >/dev/null
# Exactly what this installation brought in: what apt said it would install,
# and was not there before. Another apt run's packages are not ours to remove.
ours=$(comm -12 <(echo "$would_install") <(comm -13 <(echo "$before") <(installed)) | xargs)
echo "    installed: $ours"
for p in "${programs[@]}"; do
  [ -x "/usr/bin/$p" ] || fail "/usr/bin/$p is not installed"
  man -w "$p" >/dev/null || fail "no manual page for $p"
done

# A user who may not write /usr/bin.
home="$work/home"
if [ "$(id -u)" -eq 0 ]; then
  user="corvane-pkg-$$"
  useradd --no-create-home --home-dir "$home" --shell /bin/sh --user-group "$user"
  mkdir "$home"
  chown "$user:" "$home"
  as_user="runuser -u $user --"
else
  mkdir "$home"
  as_user=""
fi
echo "== one whole synchronisation of the installed programs as $($as_user id -un), HOME=$home"
synchronise /usr/bin "$home" "$home/.local/state/Veltrane-soft/Corvane/palmSynclog.txt" \
  /usr/share/doc/corvane-conduit/samples
[ ! -e /usr/bin/palmSynclog.txt ] || fail "a log was written into /usr/bin"

echo "== apt-get purge $ours"
apt_get purge $ours >/dev/null
ours=""
for p in "${programs[@]}"; do
  [ ! -e "/usr/bin/$p" ] || fail "/usr/bin/$p is still there"
  ! man -w "$p" >/dev/null 2>&1 || fail "the manual page of $p is still there"
done
echo "== package check passed"
