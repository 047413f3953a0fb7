#!/bin/sh
# Runs a command in a fresh network namespace that has only loopback, so nothing the
# tests send (the announcer sweeps a whole /16) can leave this machine.
#   netsandbox.sh CMD [ARG...]
# Root gets a plain network namespace; other users one inside a user namespace.
if [ "${1:-}" = "--inside" ]; then
    shift
    ip link set lo up 2>/dev/null || {
        echo "netsandbox: cannot bring up loopback in the new namespace" >&2
        exit 2
    }
    exec "$@"
fi
if [ "$#" -eq 0 ]; then
    echo "usage: netsandbox.sh CMD [ARG...]" >&2
    exit 2
fi
if [ "$(id -u)" -eq 0 ]; then
    mode="--net"
else
    mode="--net --map-root-user"
fi
# shellcheck disable=SC2086
if ! command -v unshare >/dev/null 2>&1 || ! unshare $mode true 2>/dev/null; then
    echo "netsandbox: cannot create a private network namespace here (needs root or" \
         "unprivileged user namespaces); refusing to run outside one, nothing was run" >&2
    exit 2
fi
# shellcheck disable=SC2086
exec unshare $mode -- "$0" --inside "$@"
