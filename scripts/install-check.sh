#!/usr/bin/env bash
# The Debian package on a fresh Debian machine. In a clean bookworm root (debootstrap, made
# once and copied for every run): installs the package with apt, so only its declared
# dependencies come with it; checks every library resolves and the installed tool renders the
# installed song; then, as a new user under Xvfb, starts the installed program, quits it,
# adds a sound to the user's library with the installed beatwright-cli, starts the program
# again, lists the library's sounds through the first track and quits; and compares the checksums of every installed
# file before and after. Screenshots go to build/install-check/.
# Needs root and Debian's mirror; CI does not run it.
#   scripts/install-check.sh [PACKAGE.deb]    (default: the one scripts/package.sh built)
set -euo pipefail
cd "$(dirname "$0")/.."

deb=$(realpath "${1:-$(ls build/package/beatwright_*.deb | tail -n 1)}")
base=${BW_CHECK_BASE:-/var/tmp/beatwright-bookworm-base}
out=$PWD/build/install-check
rm -rf "$out"
mkdir -p "$out"

if [ ! -x "$base/usr/bin/apt-get" ]; then
  echo "== debootstrap: a minimal Debian bookworm in $base"
  debootstrap --variant=minbase bookworm "$base" http://deb.debian.org/debian
fi
root=$(mktemp -d /var/tmp/beatwright-check.XXXXXX)
trap 'rm -rf "$root"' EXIT
cp -a "$base/." "$root/"
cp "$deb" "$root/tmp/beatwright.deb"
mkdir -p "$root/tmp/shots"
chmod 1777 "$root/tmp/shots"

# Run as root inside the root.
cat > "$root/tmp/check.sh" <<'EOF'
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
echo "== apt-get install ./beatwright.deb (no recommends)"
apt-get install -y -qq --no-install-recommends /tmp/beatwright.deb >/tmp/apt.log
dpkg-query -W -f='${Package} ${Version} ${Status}\n' beatwright

echo "== every library of the binaries and of Qt's X11 plugin resolves"
if ldd /usr/bin/beatwright /usr/bin/beatwright-cli \
    /usr/lib/*/qt6/plugins/platforms/libqxcb.so | grep 'not found'; then
  exit 1
fi
echo "ok"

echo "== the installed tool renders the installed song"
beatwright-cli render /usr/share/beatwright/default.bwp \
  --library /usr/share/beatwright/default.slb --pattern 0 -o /tmp/loop.wav
chmod 644 /tmp/loop.wav
ls -l /tmp/loop.wav

echo "== checksums of the installed files"
dpkg -L beatwright | while read -r f; do if [ -f "$f" ]; then echo "$f"; fi; done | sort \
  | xargs sha256sum > /tmp/before.sha256
cat /tmp/before.sha256

echo "== tools to drive and inspect it (not needed by the package)"
apt-get install -y -qq --no-install-recommends xvfb xauth xdotool x11-apps \
  shared-mime-info desktop-file-utils xdg-utils libfile-mimeinfo-perl >/tmp/apt-tools.log

echo "== a .bwp file is a Beatwright song and opens with the program"
cp /usr/share/beatwright/default.bwp /tmp/song.bwp
cp /usr/share/beatwright/default.bwp /tmp/song-without-extension
xdg-mime query filetype /tmp/song.bwp
xdg-mime query filetype /tmp/song-without-extension
xdg-mime query default application/x-beatwright-song

useradd -m tester
su - tester -c 'bash /tmp/drive.sh'

echo "== the installed files after the runs"
sha256sum --check --quiet /tmp/before.sha256 && echo "every installed file unchanged"
dpkg --verify beatwright && echo "dpkg --verify: no changes"
EOF

# Run as the new user inside the root.
cat > "$root/tmp/drive.sh" <<'EOF'
set -euo pipefail
lib="$HOME/.local/share/Beat Wright/default.slb"
export DISPLAY=:99
Xvfb :99 -screen 0 1280x800x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
xvfb=$!
trap 'kill $xvfb' EXIT
sleep 2

shot() { xwd -root -silent > "/tmp/shots/$1.xwd"; }
start() {
  beatwright > "/tmp/beatwright-$1.log" 2>&1 &
  pid=$!
  # The main window, or the message box a library or song that cannot be loaded brings up.
  win=
  for _ in $(seq 120); do
    if xdotool search --onlyvisible --name '^(!|ERROR|hmmmm\.\.\.)$' >/dev/null; then
      sleep 1; shot "$1-message"; echo "the start showed a message"; exit 1
    fi
    win=$(xdotool search --onlyvisible --name '^Beatwright ' | head -n 1) || true
    if [ -n "$win" ]; then break; fi
    sleep 0.5
  done
  if [ -z "$win" ]; then echo "no main window"; exit 1; fi
  sleep 2
  echo "started without a message"
}
quit() {
  # File > Quit: click the menu, take its last item.
  xdotool windowraise "$win"
  sleep 1
  xdotool mousemove --window "$win" 18 10 click 1
  sleep 1
  shot "$1-menu"
  xdotool key Up Return
  for _ in $(seq 60); do
    if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; echo "the program ended"; return; fi
    sleep 0.5
  done
  echo "the program did not end"; exit 1
}

echo "== first start"
test ! -e "$lib"
start first
shot first
ls -l "$HOME/.local/share/Beat Wright/"
quit first

echo "== a sound added with the installed beatwright-cli"
beatwright-cli add-sound /tmp/loop.wav --library "$lib" --name "Check Loop"
beatwright-cli info "$lib" --json | grep -o '"Name": *"[^"]*"'

echo "== second start"
start second
# A right click on the first track lists every sound of the library to choose from.
xdotool mousemove --window "$win" 60 112 click 3
sleep 3
shot second-sounds
# The list is a pop-up window of its own: taken on its own, as the screen holds no composite.
for w in $(xdotool search --onlyvisible --pid "$pid"); do
  if [ "$w" != "$win" ]; then xwd -id "$w" -silent > /tmp/shots/second-sounds-list.xwd; fi
done
xdotool key Escape
sleep 1
quit second
cat /tmp/beatwright-first.log /tmp/beatwright-second.log
EOF

echo "== in a clean Debian bookworm root: $root"
unshare --mount --propagation private bash -c '
  mount -t proc proc "$1/proc"
  mount -t tmpfs tmpfs "$1/dev/shm"
  mount -t devpts devpts "$1/dev/pts"
  chroot "$1" /bin/bash /tmp/check.sh' _ "$root"

for f in "$root"/tmp/shots/*.xwd; do
  convert "xwd:$f" "$out/$(basename "${f%.xwd}").png"
done
echo "Screenshots in $out: $(cd "$out" && echo *.png)"
