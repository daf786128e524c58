#!/usr/bin/env bash
# Runs the discovery test against an Avahi daemon of its own on a private D-Bus system bus, so
# that the announce-and-browse path is taken even where no daemon runs. Skipped (77) without
# root, without the daemons, or without a network interface that can multicast.
set -u
tests="$1"
[ "$(id -u)" -eq 0 ] || exit 77
command -v dbus-daemon >/dev/null && command -v avahi-daemon >/dev/null || exit 77
iface=$(ip -o link show up 2>/dev/null | awk -F': ' '$2 != "lo" && /MULTICAST/ {print $2; exit}' | sed 's/@.*//')
[ -n "$iface" ] || exit 77
dir=$(mktemp -d)
sed -e "s|<listen>.*</listen>|<listen>unix:path=$dir/bus</listen>|" -e 's|<user>.*</user>||' \
  -e 's|<pidfile>.*</pidfile>||' -e 's|<fork/>||' \
  -e 's|<includedir>system.d</includedir>|<includedir>/usr/share/dbus-1/system.d</includedir>|' \
  /usr/share/dbus-1/system.conf >"$dir/bus.conf"
printf '[server]\nuse-ipv4=yes\nuse-ipv6=no\nallow-interfaces=%s\nenable-dbus=yes\n' "$iface" >"$dir/avahi.conf"
dbus-daemon --config-file="$dir/bus.conf" --nofork 2>"$dir/bus.log" &
bus=$!
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$dir/bus"
for _ in $(seq 50); do [ -S "$dir/bus" ] && break; sleep 0.1; done
avahi-daemon -f "$dir/avahi.conf" --no-chroot --no-drop-root --no-proc-title >"$dir/avahi.log" 2>&1 &
avahi=$!
for _ in $(seq 50); do grep -q "Server startup complete" "$dir/avahi.log" && break; sleep 0.1; done
status=77
if grep -q "Server startup complete" "$dir/avahi.log"; then
  WW_EXPECT_AVAHI=1 "$tests" --gtest_filter='NetDiscovery.*'
  status=$?
fi
kill "$avahi" "$bus" 2>/dev/null
wait "$avahi" "$bus" 2>/dev/null
rm -rf "$dir"
exit $status
