#!/bin/sh
# Runs a test program in a network namespace of its own, with only the loopback up, so that
# its servers may listen on fixed ports such as 80 and 443. Where namespaces are refused,
# the program runs as it is and learns why, so that its tests skip.
if unshare -n true 2>/dev/null; then
  exec unshare -n sh -c 'ip link set lo up && exec "$@"' sh "$@"
fi
ZS_PRIVATE_NETWORK_REFUSED="unshare -n is refused here" exec "$@"
