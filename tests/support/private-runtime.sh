#!/bin/sh
# private-runtime.sh PROGRAM [ARGUMENTS...]: runs a Qt test with a runtime
# directory of its own (XDG_RUNTIME_DIR, mode 700, in the temporary folder),
# removed afterwards, so that the test writes nothing into the build tree: an
# ordinary user running the suites (tools/as-user) may not write there. The
# stations the test starts find no port settings but the test's own: the
# user's and the system's settings folders are empty ones in that directory,
# and the environment names no port.
dir=$(mktemp -d "${TMPDIR:-/tmp}/sig-runtime.XXXXXX") || exit 1
mkdir "$dir/config" "$dir/config-all"
unset SIGTX_PORT SIGRX_PORT
XDG_RUNTIME_DIR=$dir XDG_CONFIG_HOME=$dir/config XDG_CONFIG_DIRS=$dir/config-all "$@"
status=$?
rm -rf "$dir"
exit "$status"
