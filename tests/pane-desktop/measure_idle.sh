#!/bin/bash
# The idle cost of the preferences window with the Tandrel pane shown: CPU share of one core
# and resident memory of tandrel-preferences. Run on a private headless desktop:
#
#   tests/linux/run-headless.sh tests/pane-desktop/measure_idle.sh BUILD [SECONDS] [true|false]
#
# The last argument is the desktop's assistive-access switch: on, the preview animates as well
# as the eye (10 Hz) and the access check (2 Hz).
set -eu
build=$1
seconds=${2:-30}
access=${3:-true}
gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
  --method org.freedesktop.DBus.Properties.Set org.a11y.Status IsEnabled "<$access>" >/dev/null
"$build/host/tandrel-preferences" "$build/Tandrel_Preference_Pane.prefPane" 2>/dev/null &
pid=$!
sleep 5
tick=$(getconf CLK_TCK)
read -r u1 s1 < <(awk '{print $14, $15}' "/proc/$pid/stat")
sleep "$seconds"
read -r u2 s2 < <(awk '{print $14, $15}' "/proc/$pid/stat")
rss=$(awk '/VmRSS/{print $2}' "/proc/$pid/status")
cpu=$(awk -v t=$((u2 + s2 - u1 - s1)) -v hz="$tick" -v s="$seconds" 'BEGIN{printf "%.2f", 100*t/hz/s}')
echo "assistive access $access: ${cpu}% of a core over ${seconds} s, RSS ${rss} kB"
kill "$pid"
wait "$pid" || true
# The daemon the pane launched on this desktop: its executable lies in the pane bundle.
for proc in /proc/[0-9]*; do
  exe=$(readlink "$proc/exe" 2>/dev/null || true)
  if [[ $exe == "$(realpath "$build")/Tandrel_Preference_Pane.prefPane/"* ]] &&
    tr '\0' '\n' <"$proc/environ" 2>/dev/null | grep -qx "DISPLAY=$DISPLAY"; then
    kill "${proc#/proc/}" 2>/dev/null || true
  fi
done
