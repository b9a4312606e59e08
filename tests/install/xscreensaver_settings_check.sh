#!/usr/bin/env bash
# XScreenSaver's settings program (Debian's xscreensaver-settings) with the
# installed saver selected, as a new user would meet it: the build installed
# into a temporary DESTDIR, its description put in place of the system's copy
# in a private mount namespace (the real /usr is never touched), a
# ~/.xscreensaver holding the README's line with Ombriq as the one saver, and
# the program run as an unprivileged user on its own Xvfb. It must still run
# 5 s after its start (it used to crash at once on a description that was not
# well-formed) with Ombriq's preview drawn: the preview window's pixels are
# read, and some must be lit. Run by a user other than root, the private
# mount needs unprivileged user namespaces: a machine without them is
# reported as such, and the check skipped (status 77).
#   xscreensaver_settings_check.sh BUILD_DIR ARTEFACT_DIR
set -uo pipefail
build=$1
artefacts=$2

fail() { echo "FAIL: $*" >&2; exit 1; }
for program in xscreensaver-settings Xvfb unshare mount import; do
  command -v "$program" >/dev/null || fail "$program is not installed"
done
if [ "$(id -u)" != 0 ] && ! unshare --user --map-root-user true 2>/dev/null; then
  echo "SKIP: this machine gives no unprivileged user namespaces (unshare --user fails), so the settings" \
    "program cannot be shown Ombriq's description without touching /usr; run as root, or allow them" \
    "(sysctl kernel.unprivileged_userns_clone=1, user.max_user_namespaces > 0)"
  exit 77
fi

folder=$(mktemp -d /tmp/ombriq-settings-XXXXXX) || fail "no temporary folder"
chmod 755 "$folder"
settings=0 xvfb=0
saver="$folder/root/usr/bin/ombriq-saver"
# The preview savers the settings program started, found by their program file.
previews() {
  find /proc -mindepth 2 -maxdepth 2 -name exe -lname "$saver" -printf '%h\n' 2>/dev/null | sed 's|^/proc/||'
}
cleanup() {
  [ "$settings" -gt 0 ] && kill "$settings" 2>/dev/null && wait "$settings" 2>/dev/null
  local pid
  for pid in $(previews); do kill -KILL "$pid" 2>/dev/null; done
  [ "$xvfb" -gt 0 ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$folder"
}
trap cleanup EXIT

DESTDIR="$folder/root" cmake --install "$build" --prefix /usr >"$folder/install.log" 2>&1 ||
  fail "cmake --install failed: $(cat "$folder/install.log")"
[ -x "$saver" ] || fail "ombriq-saver was not installed"

# The system's descriptions with the installed one in place of any copy of it.
mkdir -p "$folder/config" "$folder/home"
cp -a /usr/share/xscreensaver/config/. "$folder/config/"
cp "$folder/root/usr/share/xscreensaver/config/ombriq-saver.xml" "$folder/config/"
cat >"$folder/home/.xscreensaver" <<'EOF'
mode: one
selected: 0
programs: "Ombriq" ombriq-saver --root \n
EOF

# Its own X server, on a display number nobody else holds.
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -nolisten tcp >"$folder/xvfb.log" 2>&1 &
xvfb=$!
read -r -t 20 -u "$display_fd" display || fail "Xvfb did not start: $(cat "$folder/xvfb.log")"

environment=(env -i "PATH=$folder/root/usr/bin:/usr/bin:/bin" "HOME=$folder/home" "DISPLAY=:$display")
bind="mount --bind '$folder/config' /usr/share/xscreensaver/config"
if [ "$(id -u)" = 0 ]; then
  # XScreenSaver warns against running as root: run it as nobody.
  command -v setpriv >/dev/null || fail "setpriv (util-linux) is needed to run it as nobody"
  chown -R nobody:nogroup "$folder/home"
  unshare --mount --propagation private sh -c "$bind && exec setpriv --reuid=nobody --regid=nogroup --clear-groups \"\$@\"" \
    sh "${environment[@]}" xscreensaver-settings >"$folder/settings.log" 2>&1 &
else
  # A user namespace lends the mount its privilege; a second one maps this user back.
  unshare --user --map-root-user --mount --propagation private \
    sh -c "$bind && exec unshare --user --map-user=$(id -u) --map-group=$(id -g) \"\$@\"" \
    sh "${environment[@]}" xscreensaver-settings >"$folder/settings.log" 2>&1 &
fi
settings=$!
started=$(date +%s%N)

# Ombriq selected: the settings program starts its preview in its window.
deadline=$((started + 5000000000))
while [ -z "$(previews)" ] && kill -0 "$settings" 2>/dev/null && [ "$(date +%s%N)" -lt "$deadline" ]; do
  sleep 0.05
done
preview=$(previews)
# Still running 5 s after its start, the preview with it.
while kill -0 "$settings" 2>/dev/null && [ "$(date +%s%N)" -lt "$deadline" ]; do sleep 0.05; done
if ! kill -0 "$settings" 2>/dev/null; then
  wait "$settings"
  status=$?
  settings=0
  fail "xscreensaver-settings ended with status $status within 5 s (139: a segmentation fault):
$(cat "$folder/settings.log")"
fi
[ -n "$preview" ] || fail "xscreensaver-settings did not start ombriq-saver for its preview:
$(cat "$folder/settings.log")"
[ -n "$(previews)" ] || fail "ombriq-saver's preview ended:
$(cat "$folder/settings.log")"

# The window it draws into, as the settings program gave it (in
# XSCREENSAVER_WINDOW, or after -window-id).
preview=$(previews | head -n 1)
window=$(tr '\0' '\n' <"/proc/$preview/environ" 2>/dev/null | sed -n 's/^XSCREENSAVER_WINDOW=//p')
[ -n "$window" ] ||
  window=$(tr '\0' '\n' <"/proc/$preview/cmdline" 2>/dev/null | sed -n '/^-*window-id$/{n;p;}')
[ -n "$window" ] || fail "the preview was given no window: $(tr '\0' ' ' <"/proc/$preview/cmdline")"
# Its pixels, one "x,y: (r,g,b) ..." line each: some are lit once it has
# drawn. Only its top rows: the settings program's note that no daemon runs
# stands over the middle of its window, and so of the preview.
deadline=$(($(date +%s%N) + 5000000000))
while :; do
  lit=$(DISPLAY=":$display" import -window "$window" -crop 100000x16+0+0 -depth 8 txt:- 2>/dev/null |
    grep -v '^#' | grep -cv '#000000')
  if [ "${lit:-0}" -gt 0 ] || [ "$(date +%s%N)" -ge "$deadline" ]; then break; fi
  sleep 0.1
done
mkdir -p "$artefacts"
DISPLAY=":$display" import -window root "$artefacts/xscreensaver_settings_ombriq.png" 2>/dev/null &&
  echo "screenshot: $artefacts/xscreensaver_settings_ombriq.png"
[ "${lit:-0}" -gt 0 ] || fail "ombriq-saver's preview (window $window) is all black 10 s after the start"
echo "xscreensaver-settings runs with Ombriq selected and its preview drawn ($lit pixels of its top rows lit)"
