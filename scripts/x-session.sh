# Shared by the scripts that drive the window on a virtual display (screenshots.sh,
# try-as-user.sh); sourced, not run. Needs xvfb, xauth and xdotool.

# Starts Xvfb on a display number it finds free and exports DISPLAY; everything started here is
# stopped when the script exits.
x_pids=()
x_stop() {
    local pid
    for pid in "${x_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap x_stop EXIT

x_start_display() {
    local number
    number=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${1:-1024x768x24}" -nolisten tcp 3>"$number" 2>/dev/null &
    x_pids+=($!)
    for _ in $(seq 100); do
        [ -s "$number" ] && break
        sleep 0.1
    done
    DISPLAY=":$(head -1 "$number")"
    export DISPLAY
    rm -f "$number"
}

# The id of the first shown window whose title matches the pattern, waiting up to 20 s for it.
x_window() {
    local id
    for _ in $(seq 200); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "no window titled '$1' appeared" >&2
    import -window root /tmp/quorvel-no-window.png 2>/dev/null || true
    pgrep -a openbox >&2 || echo "no window manager" >&2
    return 1
}

# Waits until no shown window has a title matching the pattern.
x_gone() {
    for _ in $(seq 200); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    echo "the window titled '$1' did not close" >&2
    return 1
}

# A left click at a place in a window, in the window's own pixels.
x_click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.3
}

# Types text into a window, then presses Enter.
x_type_enter() {
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    xdotool type --delay 10 "$2"
    sleep 0.2
    xdotool key Return
    sleep 0.3
}

# Where the controls sit in the main window (its client area, in pixels at 15 twips a pixel:
# the frame lies 8 pixels in from the left).
x_place() {
    case "$1" in
        cmd_Open) echo "279 46" ;;
        cmd_Save) echo "279 102" ;;
        cmd_Split) echo "262 148" ;;
        Opt1) echo "324 52" ;;
        Opt2) echo "324 140" ;;
        Text3) echo "196 149" ;;
        Check1) echo "26 152" ;;
        *) echo "no place for $1" >&2; return 1 ;;
    esac
}
