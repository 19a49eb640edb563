#!/usr/bin/env bash
# Runs a test program on a session bus of its own, whose only service is the program of this
# build (started by the bus on demand), with settings, job list and folders private to the run.
set -euo pipefail
build="$(cd "$(dirname "$1")" && pwd)"
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"
export XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run"
export TMPDIR="$home" QT_QPA_PLATFORM=offscreen
export ZELVOR_SUMBRA_USER_HIVE="$home/user.hive" ZELVOR_SUMBRA_MACHINE_HIVE="$home/machine.hive"
cat >"$home/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$home</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$build/dbus-services</servicedir>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow receive_sender="*"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-run-session --config-file="$home/bus.conf" -- "$@"
