#!/usr/bin/env bash
# e2e-pair.sh SIGLINK SIGTX SIGRX XCLOSE DIR - a pair of stations, each a
# Linux program or a .exe under wine (in SIG_WINE_PREFIX, else DIR/wine).
. "$(dirname "$0")/../support/stations.sh"
where() { case $1 in *.exe) echo windows ;; *) echo linux ;; esac; }
name=pair-tx-$(where "$2")-rx-$(where "$3")
e2e_begin "$name" "$@"
pair "$name" "$5"
