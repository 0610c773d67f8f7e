#!/bin/sh
# Runs a command inside a private X server and session bus, with a throwaway HOME, so
# desktop tests neither touch nor depend on the user's session.
# Xvfb picks its own display number (-displayfd): no race between tests run in parallel.
set -eu

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tandrel-headless.XXXXXX")
xvfb_pid=
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT INT TERM

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
while [ ! -s "$scratch/display" ]; do
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    cat "$scratch/xvfb.log" >&2
    exit 1
  fi
  sleep 0.02
done

export DISPLAY=":$(head -n1 "$scratch/display")"
export HOME="$scratch/home"
export XDG_CONFIG_HOME="$scratch/home/.config"
export XDG_RUNTIME_DIR="$scratch/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# GTK 4 has no GL on Xvfb.
export GSK_RENDERER=cairo
unset DBUS_SESSION_BUS_ADDRESS

status=0
dbus-run-session -- "$@" || status=$?
exit "$status"
