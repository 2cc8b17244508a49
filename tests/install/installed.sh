#!/usr/bin/env bash
# Installs the build into a fresh prefix outside the build folder and checks the result
# as a user meets it: the program answers --version, and a first start fills a new
# program folder from the data under the prefix (a file added there after installing
# must arrive), not from the source tree.
# Usage: installed.sh BUILD_DIR
set -euo pipefail
BUILD_DIR="$1"

WORK="$(mktemp -d /tmp/quorl-install-test.XXXXXX)"
CLIENT_PID=""
cleanup() {
    if [ -n "$CLIENT_PID" ]; then kill "$CLIENT_PID" 2>/dev/null || true; fi
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

PREFIX="$WORK/prefix"
cmake --install "$BUILD_DIR" --prefix "$PREFIX" > "$WORK/install.log" ||
    { cat "$WORK/install.log"; fail "cmake --install failed"; }

for f in bin/quorlirc share/applications/quorlirc.desktop \
         share/icons/hicolor/scalable/apps/quorlirc.svg \
         share/quorlirc/data/quorl.ini share/quorlirc/data/qrlsrvs.txt; do
    [ -f "$PREFIX/$f" ] || fail "$f is not installed"
done
[ -x "$PREFIX/bin/quorlirc" ] || fail "bin/quorlirc is not executable"

# The wave-sound module, which the program loads on its first wave from
# <bindir>/../<libdir>/quorlirc, with every library it needs on this system.
module="$(find "$PREFIX" -path "$PREFIX/lib*/quorlirc/quorl_wavout.so" -print -quit)"
[ -n "$module" ] || fail "the wave-sound module is not installed under lib*/quorlirc"
if ldd "$module" | grep -q "not found"; then ldd "$module"; fail "the wave-sound module misses a library"; fi

# --version needs no window system.
version="$(env -u DISPLAY -u WAYLAND_DISPLAY "$PREFIX/bin/quorlirc" --version)"
[[ "$version" == *"QuorlIRC 2.00"* ]] || fail "--version said: $version"

# A marker only the installed data folder holds.
echo "installed data" > "$PREFIX/share/quorlirc/data/install-marker.txt"

HOME_DIR="$WORK/home"
QT_QPA_PLATFORM=offscreen "$PREFIX/bin/quorlirc" --home "$HOME_DIR" > "$WORK/client.log" 2>&1 &
CLIENT_PID=$!
for _ in $(seq 100); do
    [ -f "$HOME_DIR/install-marker.txt" ] && [ -f "$HOME_DIR/quorl.ini" ] && break
    kill -0 "$CLIENT_PID" 2>/dev/null || { cat "$WORK/client.log"; fail "the installed program exited at start"; }
    sleep 0.1
done
[ -f "$HOME_DIR/install-marker.txt" ] ||
    { cat "$WORK/client.log"; fail "the program folder was not filled from the installed data"; }

# Every shipped file reached the new program folder.
(cd "$PREFIX/share/quorlirc/data" && find . -type f) | while read -r f; do
    [ -f "$HOME_DIR/$f" ] || fail "$f was not copied into the program folder"
done

# SIGTERM closes the window as the user would; the program must end by itself.
kill -TERM "$CLIENT_PID"
for _ in $(seq 100); do
    kill -0 "$CLIENT_PID" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$CLIENT_PID" 2>/dev/null; then fail "the program did not end on SIGTERM"; fi
wait "$CLIENT_PID" || fail "the program ended with status $?"
CLIENT_PID=""
[ -f "$HOME_DIR/quorl.ini" ] || fail "no quorl.ini after shutdown"
echo "installed program starts and finds its data under $PREFIX"
