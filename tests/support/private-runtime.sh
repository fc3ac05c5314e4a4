#!/bin/sh
# private-runtime.sh PROGRAM [ARGUMENTS...]: runs a Qt test (or tools/soak)
# in a runtime folder of its own (XDG_RUNTIME_DIR, mode 700, in the
# temporary folder), removed afterwards: an ordinary user running the suites
# (tools/as-user) may not write into the build tree. The stations it starts
# find no settings but its own (empty folders there) and no port in the
# environment.
dir=$(mktemp -d "${TMPDIR:-/tmp}/sig-runtime.XXXXXX") || exit 1
mkdir "$dir/config" "$dir/config-all"
unset SIGTX_PORT SIGRX_PORT
XDG_RUNTIME_DIR=$dir XDG_CONFIG_HOME=$dir/config XDG_CONFIG_DIRS=$dir/config-all "$@"
status=$?
rm -rf "$dir"
exit "$status"
