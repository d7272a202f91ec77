# A virtual X display that outlives one command, for the tools (sourced): started through
# xvfb-run, as the tests start theirs, around a process that only holds it open. The display
# admits every local client (-ac), a player's account or a chroot's programs included.
#
#   start_x_display WxHxDEPTH   exports DISPLAY
#   stop_x_display              ends it (also when it was never started)

start_x_display() {
    local file
    file=$(mktemp)
    xvfb-run -a -s "-ac -screen 0 $1" sh -c 'echo "$DISPLAY $$" >"$0.part" && mv "$0.part" "$0" &&
        exec sleep infinity' "$file" >/dev/null 2>&1 &
    for _ in $(seq 100); do
        [ -s "$file" ] && break
        sleep 0.2
    done
    read -r DISPLAY x_display_holder <"$file" || true
    rm -f "$file"
    [ -n "$DISPLAY" ] || { echo "xvfb-run did not start a display" >&2 && return 1; }
    export DISPLAY
}

stop_x_display() {
    [ -z "${x_display_holder:-}" ] || kill "$x_display_holder" 2>/dev/null || true
}
