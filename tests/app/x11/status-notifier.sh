#!/usr/bin/env bash
# The tray program under a status-notifier tray, the XFCE panel's (run inside
# scripts/x11-session.sh with X11_NO_TRAY=1, in a dbus-run-session): the item exports its
# menu over DBusMenu, whose items act as the menu's own; a left click opens the popover.
set -uo pipefail
. "$(dirname "$0")/lib.sh"
panel_pid=""
trap 'cleanup; [ -n "$panel_pid" ] && kill "$panel_pid" 2>/dev/null' EXIT

# One panel along the top with the tray alone, so the icon is its first item.
conf="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
mkdir -p "$conf"
cat >"$conf/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="26"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
XML
xfce4-panel >"$work/panel.log" 2>&1 &
panel_pid=$!
bus() { gdbus call --session "$@"; }
watcher() {
    bus -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher "$1"
}
wait_for 150 sh -c "$(declare -f bus watcher); watcher IsStatusNotifierHostRegistered | grep -q true" ||
    fail "the panel's tray never hosted status-notifier items: $(cat "$work/panel.log")"

start_quillbox
item() { watcher RegisteredStatusNotifierItems | grep -o "'[^']*'" | head -n1 | tr -d "'"; }
wait_for 100 item || fail "Quillbox registered no status-notifier item"
service=$(item)
service=${service%%/*}
menu=$(bus -d "$service" -o /StatusNotifierItem -m org.freedesktop.DBus.Properties.Get \
    org.kde.StatusNotifierItem Menu | grep -o "/[^']*")
[ -n "$menu" ] && [ "$menu" != /NO_DBUSMENU ] || fail "the item exports no menu ($menu)"

echo "== the exported menu holds the tray menu, in order"
layout=$(bus -d "$service" -o "$menu" -m com.canonical.dbusmenu.GetLayout 0 -- -1 "@as []")
read_out=$(grep -o "'label': <'[^']*'>\|'type': <'separator'>" <<<"$layout" |
    sed -e "s/'label': <'\(.*\)'>/\1/" -e "s/'type': <'separator'>/-/" | paste -sd,)
[ "$read_out" = "Capture Area,Capture Window,Capture Full Screen,Capture Scrolling Page,-,Open History…,Settings…,-,Check for Updates…,-,Quit Quillbox" ] ||
    fail "exported menu: $read_out"
grep -q "'label': <'Quit Quillbox'>, 'shortcut': <\[\['Control', 'Q'\]\]>" <<<"$layout" ||
    fail "Quit Quillbox shows no Ctrl+Q"
item_id() { grep -o "(\([0-9]*\), {[^}]*'label': <'$1'>" <<<"$layout" | grep -o '^([0-9]*' | tr -d '('; }
click_item() { bus -d "$service" -o "$menu" -m com.canonical.dbusmenu.Event "$(item_id "$1")" clicked "<0>" 0; }

echo "== a left click on the icon opens the popover at the top of the screen"
# The panel's only item sits at its left end.
xdotool mousemove 11 13 click 1
wait_for 50 popover_shown || fail "a left click showed no popover"
grep -q '^1600x[0-9]*+160+2[0-9]$' <<<"$(visible_windows)" ||
    fail "popover at $(visible_windows | tr '\n' ' ')"
xdotool key Escape
wait_for 50 popover_hidden || fail "Esc left the popover open"

echo "== the exported items act: Open History…, then Quit Quillbox"
click_item 'Open History…' >/dev/null || fail "Open History… could not be clicked"
wait_for 50 popover_shown || fail "Open History… from the exported menu showed no popover"
xdotool key Escape
wait_for 50 popover_hidden || fail "Esc left the popover open"
click_item 'Quit Quillbox' >/dev/null
wait_for 100 sh -c "! kill -0 $pid" || fail "Quit Quillbox from the exported menu did not quit"
wait "$pid" || fail "Quit Quillbox: exit status $?"
pid=""
echo "status-notifier: all passed"
