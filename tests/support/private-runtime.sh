#!/bin/sh
# private-runtime.sh PROGRAM [ARGUMENTS...]: runs a Qt test with a runtime
# directory of its own (XDG_RUNTIME_DIR, mode 700, in the temporary folder),
# removed afterwards, so that the test writes nothing into the build tree: an
# ordinary user running the suites (tools/as-user) may not write there.
dir=$(mktemp -d "${TMPDIR:-/tmp}/sig-runtime.XXXXXX") || exit 1
XDG_RUNTIME_DIR=$dir "$@"
status=$?
rm -rf "$dir"
exit "$status"
