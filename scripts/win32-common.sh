# Sourced by the scripts that build the Windows program and run it under Wine, from the project's
# root folder.

# The 32-bit program, the one Quorvel ships, is always built. It runs under 32-bit Wine where this
# machine runs 32-bit programs; where it runs none (some virtual machines' kernels refuse them), a
# 64-bit build of the same sources runs under wine64 in its place, so every suite still runs.
win32_build_dir=build-win32
if scripts/runs-32-bit.sh; then
    wine_build_dir=$win32_build_dir wine_toolchain="" wine=wine wineserver=wineserver
    export WINEARCH=win32
else
    # Debian's wine64 alone puts neither on the PATH.
    wine_build_dir=build-win64 wine_toolchain=cmake/mingw-x86_64.cmake
    wine=/usr/lib/wine/wine64 wineserver=/usr/lib/wine/wineserver
    export WINEARCH=win64
fi
# A prefix of our own under the build folder: nothing of the user's Wine setup is touched.
export WINEPREFIX="$PWD/$wine_build_dir/wine" WINEDEBUG=-all

build_windows() {  # folder, toolchain file
    cmake -S . -B "$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$2" -DCMAKE_BUILD_TYPE=Release \
        -DQUORVEL_WERROR=ON
    cmake --build "$1"
}

win32_build() {
    build_windows "$win32_build_dir" cmake/mingw-i686.cmake
    [ -n "$wine_toolchain" ] || return 0
    echo "This machine runs no 32-bit programs: the Windows suites run in a 64-bit build" \
        "($wine_build_dir) under wine64; $win32_build_dir/Quorvel.exe is built but not run." >&2
    build_windows "$wine_build_dir" "$wine_toolchain"
}

# The first start of a prefix sets it up, which takes a while; later starts find it ready.
wine_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        local started=$SECONDS
        "$wine" wineboot -i
        "$wineserver" -w
        # Debian's Wine does not find the fonts of fonts-wine by itself (Marlett draws the
        # caption buttons); in the prefix's Fonts folder it does, as on Windows.
        cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
        echo "Wine prefix made in $((SECONDS - started)) s"
    fi
}

# Runs a command with an X server of its own, for Wine's windows.
on_private_display() {
    xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$@"
}

# Starts Quorvel.exe (with any wine arguments before it) on $DISPLAY and waits for its window;
# sets quorvel_pid and quorvel_window.
start_quorvel() {
    "$wine" "$@" "$wine_build_dir/Quorvel.exe" &
    quorvel_pid=$!
    # A search fails outright when a window it looks at goes away meanwhile, as Wine's own windows
    # do while it starts, so it is tried again until the window shows or two minutes have passed.
    quorvel_window=
    local tries
    for ((tries = 0; tries < 240; ++tries)); do
        quorvel_window=$(xdotool search --onlyvisible --name '^Quorvel v1\.0 - ' 2>/dev/null |
            head -n 1) || true
        [ -n "$quorvel_window" ] && return 0
        sleep 0.5
    done
    echo "Quorvel.exe showed no window within two minutes" >&2
    return 1
}

# Closes the window as a user does (Alt+F4 sends WM_CLOSE) and waits for the program to end.
close_quorvel() {
    xdotool windowfocus --sync "$quorvel_window"
    xdotool key alt+F4
    local status=0
    timeout 60 tail --pid="$quorvel_pid" -f /dev/null || status=$?
    if [ $status -ne 0 ]; then
        echo "Quorvel.exe did not end after its window was closed" >&2
        return 1
    fi
    wait "$quorvel_pid"
}
