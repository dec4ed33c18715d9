# Sourced by the scripts that build the Windows program and run it under Wine, from the project's
# root folder.

win32_build_dir=build-win32
# A prefix of our own under the build folder: nothing of the user's Wine setup is touched.
export WINEPREFIX="$PWD/$win32_build_dir/wine" WINEARCH=win32 WINEDEBUG=-all

win32_build() {
    cmake -S . -B "$win32_build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
        -DCMAKE_BUILD_TYPE=Release -DQUORVEL_WERROR=ON
    cmake --build "$win32_build_dir"
}

# The first start of a prefix sets it up, which takes a while; later starts find it ready.
wine_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        local started=$SECONDS
        wineboot -i
        wineserver -w
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
    wine "$@" "$win32_build_dir/Quorvel.exe" &
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
