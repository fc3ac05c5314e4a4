#!/bin/sh
# private-runtime.sh PROGRAM [ARGUMENTS...]: a Qt test (or tools/soak) in a
# runtime folder of its own, removed afterwards (an ordinary user may not
# write into the build tree), with empty settings and no port variables.
dir=$(mktemp -d "${TMPDIR:-/tmp}/sig-runtime.XXXXXX") || exit 1
mkdir "$dir/config" "$dir/config-all"
unset SIGTX_PORT SIGRX_PORT
XDG_RUNTIME_DIR=$dir XDG_CONFIG_HOME=$dir/config XDG_CONFIG_DIRS=$dir/config-all "$@"
status=$?
rm -rf "$dir"
exit "$status"
