#!/usr/bin/env bash
# Proves the package on a clean machine: builds it (scripts/package.sh), makes a fresh Debian 12
# root with debootstrap, installs the package there with apt-get as a user would, and as
# unprivileged users runs the commands and the window's first start under Xvfb; then removes
# the package and checks that the records stay.
# Usage: scripts/check-install.sh [--keep]   (as root; --keep leaves the root for a look)
# Everything lives in build-install-check/; screenshots of the window land there too.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
keep=0
[ "${1:-}" = "--keep" ] && keep=1

bash scripts/setup.sh --package --desktop
bash scripts/package.sh
deb=$(ls dist/vantor_*_amd64.deb)
version=$(dpkg-deb -f "$deb" Version)

work=$PWD/build-install-check
root=$work/root
mirror=${VANTOR_DEBIAN_MIRROR:-http://deb.debian.org/debian}
display=:${VANTOR_CHECK_DISPLAY:-97}
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  umount "$root/proc" 2>/dev/null || true
  if [ "$keep" = 0 ]; then rm -rf --one-file-system "$root"; fi
}
trap cleanup EXIT
fail() { echo "check-install: $*" >&2; exit 1; }
# The first visible window whose title is $1, within $2 seconds. Each look is a search of its own:
# a window that closes while xdotool walks the tree makes that one search fail (BadWindow), and
# the next one looks again, where `search --sync` would give up at the first such error.
find_window() {
  local title=$1 deadline=$(($(date +%s) + $2)) id
  while [ "$(date +%s)" -lt "$deadline" ]; do
    id=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}
# Keys to window $1 once it has the focus. Activating a window that is still being mapped is
# tried again; the keys go once, since they may close the window.
press() {
  local id=$1 active=
  shift
  for _ in $(seq 20); do
    xdotool windowactivate --sync "$id" 2>/dev/null && { active=1; break; }
    sleep 0.25
  done
  [ -n "$active" ] && xdotool key --clearmodifiers "$@"
}
step() { echo "== $* ($(($(date +%s) - started)) s)"; }

step "fresh Debian 12 root"
# A run that was killed may have left /proc mounted in its root: never delete through it.
umount "$root/proc" 2>/dev/null || true
rm -rf --one-file-system "$work"
mkdir -p "$work"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 \
  || { tail -20 "$work/debootstrap.log"; fail "debootstrap failed"; }
security=${mirror%/debian}/debian-security
cat >"$root/etc/apt/sources.list" <<SOURCES
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
SOURCES
mount -t proc proc "$root/proc"
in_root() { chroot "$root" "$@"; }
# Commands of a user of the machine, in a login-like environment of its own.
as_user() {
  local user=$1
  shift
  chroot --userspec="$user:$user" "$root" env -i HOME="/home/$user" USER="$user" PATH=/usr/bin:/bin \
    LANG=C.UTF-8 DISPLAY="$display" "$@"
}

step "install the package with apt-get"
# A root thrown away after the check needs no fsync after every file.
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/unsafe-io"
cp "$deb" "$root/tmp/"
in_root apt-get update -qq
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -qq "./tmp/$(basename "$deb")" >"$work/install.log" 2>&1 \
  || { tail -20 "$work/install.log"; fail "the package does not install"; }
in_root useradd --create-home clerk
in_root useradd --create-home officer

step "commands as a user"
said=$(as_user clerk vantor --version)
[ "$said" = "Vantor $version" ] || fail "vantor --version said: $said"
records=/home/clerk/.local/share/Vantor/MaskTest.mdb
as_user clerk vantor --show-location | grep -qx "$records" || fail "the location rule did not choose $records"
as_user clerk vantor --create-database "$records" --sample 40
[ "$(stat -c %a "$root$records")" = 600 ] || fail "the new records file is not private: $(stat -c %a "$root$records")"
as_user clerk sh -c 'cd && vantor --report 1 --output untested.xlsx' | tee "$work/report.txt"
grep -Eq '^1 Unit: [0-9]+ members? not tested' "$work/report.txt" || fail "--report 1 printed no count"
[ -s "$root/home/clerk/untested.xlsx" ] || fail "--report 1 wrote no workbook"
set +e
as_user clerk vantor --sample 5 2>"$work/companion.txt"
status=$?
set -e
[ "$status" = 2 ] && grep -q -- '--create-database' "$work/companion.txt" || fail "--sample alone ended with $status"

step "the window's first start under Xvfb"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
as_user officer vantor >"$work/window.log" 2>&1 &
pids+=($!)
question=$(find_window '^Records File$' 30) || fail "no first-run question appeared; $(cat "$work/window.log")"
sleep 0.5
import -window root "$work/first-run.png"
press "$question" Return || fail "the first-run question took no keys"
window=$(find_window '^Annual Mask Testing Records$' 30) \
  || fail "Enter did not lead to the records window; $(cat "$work/window.log")"
sleep 1
import -window root "$work/records-window.png"
[ "$(xdotool getwindowname "$window")" = "Annual Mask Testing Records" ] || fail "the window's title is wrong"
xwininfo -id "$window" | grep -q 'Map State: IsViewable' || fail "the records window is not shown"
[ -z "$(xdotool search --onlyvisible --name '^Records File$' 2>/dev/null)" ] || fail "the question is still open"
officer_records=/home/officer/.local/share/Vantor/MaskTest.mdb
[ -f "$root$officer_records" ] || fail "no records file at $officer_records"
[ "$(stat -c %a "$root$officer_records")" = 600 ] || fail "the window's records file is not private"
grep -qx "location=$officer_records" "$root/home/officer/.config/Vantor/Vantor.conf" \
  || fail "the answer was not remembered in the user's settings"
kill "${pids[2]}"

step "remove the package"
DEBIAN_FRONTEND=noninteractive in_root apt-get purge -y -qq vantor >>"$work/install.log" 2>&1
[ ! -e "$root/usr/bin/vantor" ] || fail "the program is still installed"
[ -f "$root$records" ] && [ -f "$root$officer_records" ] || fail "removing the package removed records"

step "the installed package works on a clean Debian 12"
echo "check-install: passed in $(($(date +%s) - started)) s"
