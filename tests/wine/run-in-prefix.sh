#!/usr/bin/env bash
# Runs one Win32 program under Wine in a private copy of the template prefix on its own Xvfb, and
# passes its exit code on. The CMake cross build names this as the emulator of every Win32 test.
# The template comes from KV_WINE_TEMPLATE (made by make-template.sh).
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
template=${KV_WINE_TEMPLATE:?KV_WINE_TEMPLATE names the template prefix folder}
kv_template_ready "$template" || exit 1
kv_sandbox_begin "$template" || exit 1
timeout -k 5 "${KV_WINE_TIMEOUT:-240}" "$KV_WINE" "$@"
rc=$?
kv_sandbox_end
exit $rc
