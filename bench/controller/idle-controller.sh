#!/bin/bash
# idle-controller.sh [SECONDS]: CPU share of one core and PSS of the idle
# controller on a private Xvfb and session bus with a tray host (trayer):
# with its sleeping timer, with a plain 100 ms timer and while its icon
# flashes; and of the other break reminders Debian packages (workrave,
# safeeyes, rsibreak) where they are installed, measured the same way in
# the same run. Installs nothing; not run by ctest.
set -u
seconds=${1:-60}
top=$(cd "$(dirname "$0")/../.." && pwd)
bin=${OVANTIS_BINARY_DIR:-$top/build}/bin
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/config" "$work/runtime" "$work/app" && chmod 700 "$work/runtime"
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime

exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")
export DBUS_SESSION_BUS_ADDRESS=$(dbus-daemon --session --fork --print-address)
# A tray host, so that the controller's icon is embedded as on a desktop.
command -v trayer >/dev/null && trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &

# The controller runs from a folder of its own with the content module and
# a viewer beside it (the real one when it is built).
cp "$bin/ovctrl" "$bin/OvantisRes.dll" "$work/app/"
if [ -x "$bin/stretch" ]; then cp "$bin/stretch" "$work/app/"; else ln -s /bin/true "$work/app/stretch"; fi

ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
pss_kb() { awk '/^Pss:/ {print $2}' "/proc/$1/smaps_rollup" 2>/dev/null || echo 0; }

# measure NAME COMMAND...: starts the program, lets it settle, then reports.
measure() {
  local name=$1; shift
  "$@" >/dev/null 2>&1 &
  local pid=$!
  sleep 5
  if ! kill -0 "$pid" 2>/dev/null; then printf '%-28s did not stay running\n' "$name"; return; fi
  local before; before=$(cpu_ticks "$pid")
  sleep "$seconds"
  local after; after=$(cpu_ticks "$pid")
  local pss; pss=$(pss_kb "$pid")
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  awk -v n="$name" -v t=$((after - before)) -v hz="$ticks" -v s="$seconds" -v p="$pss" \
    'BEGIN { printf "%-28s %7.3f %% of one core  %6.1f MB PSS\n", n, 100 * t / hz / s, p / 1024 }'
}

echo "idle for $seconds s after 5 s to settle"
measure "ovctrl (sleeping timer)" "$work/app/ovctrl"
OVANTIS_CONTROLLER_TIMER=plain measure "ovctrl (plain 100 ms timer)" "$work/app/ovctrl"
# Flashing for good: one click passes a click limit of 0, and a flash
# interval of 7 never stops the icon by time.
conf="$XDG_CONFIG_HOME/Halvorn Press/Stretch.conf"
mkdir -p "$(dirname "$conf")"
printf '[Ovantis]\nInstallation=Release\n\n[Preferences]\nActivation%%20Mode=2\nActivation%%20Keys%%26Mice=4\nActivation%%20Custom%%20Mice=0\nActivation%%20Custom%%20Keys=100000\nNotification%%20Sound%%20ON=0\nNotification%%20Dialog%%20ON=0\nNotification%%20Flash%%20Icon%%20ON=1\nNotification%%20Flash%%20Interval=7\n' > "$conf"
( sleep 3; xdotool mousemove 300 300 click 1 ) &
measure "ovctrl (icon flashing)" "$work/app/ovctrl"
rm -f "$conf"
for other in workrave safeeyes rsibreak; do
  if command -v "$other" >/dev/null; then measure "$other" "$other"; else printf '%-28s not installed\n' "$other"; fi
done
