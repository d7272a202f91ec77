#!/bin/sh
# valgrind_selfplay.sh VALGRIND SELFPLAY SEED RED BLUE
# Plays one game under valgrind (memory errors and leaks fail it) and checks that it prints the
# same game as the plain run: a read of uninitialised memory could change the moves silently.
set -eu
valgrind=$1
selfplay=$2
shift 2
plain=$("$selfplay" "$@")
checked=$("$valgrind" --quiet --error-exitcode=1 --leak-check=full "$selfplay" "$@")
if [ "$plain" != "$checked" ]; then
    echo "valgrind_selfplay: the game under valgrind differs from the plain run" >&2
    exit 1
fi
echo "$checked" | tail -n 1
