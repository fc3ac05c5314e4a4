#!/usr/bin/env bash
# A pair of stations, each a Linux program or a Windows .exe run under wine,
# on one paced cable (pair in tests/support/stations.sh).
#   e2e-pair.sh SIGLINK SIGTX SIGRX XCLOSE DIR
# The wine prefix is SIG_WINE_PREFIX (made when missing), else DIR/wine.
. "$(dirname "$0")/../support/stations.sh"
where() { case $1 in *.exe) echo windows ;; *) echo linux ;; esac; }
name=pair-tx-$(where "$2")-rx-$(where "$3")
e2e_begin "$name" "$@"
pair "$name" "$5"
e2e_pass
