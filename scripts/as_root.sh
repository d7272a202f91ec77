# as_root COMMAND [ARG...]: runs a command as root, directly when this is root, else through sudo.
# Sourced by the scripts that install packages.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        echo "${0##*/}: installing needs root: run this as root or install sudo" >&2
        exit 1
    fi
}
