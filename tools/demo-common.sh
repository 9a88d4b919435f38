# Shared by tools/demo and tools/screenshots (sourced, not run): a private
# network of two namespaces with the simulated router in one, the programs
# in the other; an X server of their own when they need one; and the hands
# that drive the graphical program from outside (xdotool, which types and
# clicks through XTest, and ImageMagick's import for the pictures).
#
# The caller sets `top` and `build`, calls demo_init with a short name, and
# leaves the clean-up to the EXIT trap that demo_init sets.

demo_init() {
    demo_name=$1
    if [ "$(id -u)" != 0 ]; then
        echo "$demo_name: run as root (it makes network namespaces)" >&2
        exit 1
    fi
    ws=q$demo_name-ws-$$
    rt=q$demo_name-rt-$$
    dir=$(mktemp -d "/tmp/qorvel-$demo_name-XXXXXX")
    data=$dir
    peer_pid=
    program_pid=
    xvfb_pid=
    trap demo_cleanup EXIT
    trap "exit 1" INT TERM HUP PIPE
}

demo_stop() {  # demo_stop PID: SIGTERM, then waited for
    [ -n "$1" ] || return 0
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

demo_cleanup() {
    demo_stop "$program_pid"
    demo_stop "$peer_pid"
    demo_stop "$xvfb_pid"
    ip netns del "$ws" 2>/dev/null || true
    ip netns del "$rt" 2>/dev/null || true
    rm -rf "$dir"
}

# Two namespaces joined by a veth pair: the workstation 10.99.0.1, the
# routers 10.99.0.2 and up (the simulated router adds the further
# addresses of its script itself).
demo_network() {
    ip netns add "$ws"
    ip netns add "$rt"
    ip -n "$ws" link add eth0 type veth peer name eth0 netns "$rt"
    ip -n "$ws" addr add 10.99.0.1/24 broadcast 10.99.0.255 dev eth0
    ip -n "$rt" addr add 10.99.0.2/24 broadcast 10.99.0.255 dev eth0
    for ns in "$ws" "$rt"; do
        ip -n "$ns" link set lo up
        ip -n "$ns" link set eth0 up
    done
    # The workstation's own address for the programs, names shown as
    # addresses (no name server in the namespaces).
    mkdir -p "$data"
    cat > "$data/qorvel.def" <<'DEF'
qorvel_hostname 10.99.0.1
qorvel_netmask 255.255.255.0
qorvel_name_resolving off
DEF
}

# demo_peer SCRIPT: the simulated router with that script, until it is bound.
demo_peer() {
    demo_stop "$peer_pid"
    ip netns exec "$rt" "$build/peer/router-peer" --script "$1" --log "$dir/router.log" \
        > "$dir/router.out" 2>&1 &
    peer_pid=$!
    i=0
    until grep -q READY "$dir/router.out" 2>/dev/null; do
        i=$((i + 1))
        if [ $i -gt 50 ] || ! kill -0 "$peer_pid" 2>/dev/null; then
            echo "$demo_name: the simulated router did not start:" >&2
            cat "$dir/router.out" >&2
            exit 1
        fi
        sleep 0.1
    done
}

# An Xvfb of our own on the first free display; DISPLAY names it.
demo_xvfb() {
    command -v Xvfb > /dev/null || { echo "$demo_name: Xvfb is missing; run tools/install-deps" >&2; exit 1; }
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$dir/display" 2> /dev/null &
    xvfb_pid=$!
    i=0
    while [ ! -s "$dir/display" ]; do
        i=$((i + 1))
        if [ $i -gt 100 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
            echo "$demo_name: Xvfb did not start" >&2
            exit 1
        fi
        sleep 0.1
    done
    DISPLAY=:$(head -n 1 "$dir/display")
    export DISPLAY
}

# demo_gui [ENV=VALUE...]: the graphical program in the workstation, on
# $DISPLAY, with the data directory $data; its output in $dir/qorvel.out.
# With demo_private_tmp set, the program gets a /tmp of its own ($dir/tmp,
# the X server's sockets bound into it), so that what it writes there
# ("/tmp/save.cfg") stays with the run; $data is then $dir/tmp/data, which
# the program sees as /tmp/data. The program runs from a copy in that /tmp,
# so that a build directory below the real /tmp serves as well.
demo_gui() {
    demo_stop "$program_pid"
    if [ -n "${demo_private_tmp:-}" ]; then
        mkdir -p "$dir/tmp/.X11-unix" "$data"
        cp "$build/gui/qorvel" "$dir/tmp/qorvel"
        (exec ip netns exec "$ws" unshare -m sh -c '
            mount --bind /tmp/.X11-unix "$1/tmp/.X11-unix" && mount --rbind "$1/tmp" /tmp || exit 1
            shift
            cd /tmp/data && exec "$@"' sh "$dir" \
            env DISPLAY="$DISPLAY" QORVEL_PATH=/tmp/data "$@" /tmp/qorvel) \
            > "$dir/qorvel.out" 2>&1 &
    else
        (cd "$data" && exec ip netns exec "$ws" env DISPLAY="$DISPLAY" QORVEL_PATH="$data" "$@" \
            "$build/gui/qorvel") > "$dir/qorvel.out" 2>&1 &
    fi
    program_pid=$!
}

demo_fail() {
    echo "$demo_name: $*" >&2
    if [ -s "$dir/qorvel.out" ]; then
        echo "the program said:" >&2
        sed 's/^/  | /' "$dir/qorvel.out" >&2
    fi
    exit 1
}

# x_windows TITLE: the mapped windows whose title is exactly TITLE, an
# extended regular expression. A title holds its letters outside ASCII in
# ISO 8859-1, which xdotool may hand on as one or two bytes: write ".{1,2}"
# for such a letter.
x_windows() {
    LC_ALL=C xdotool search --onlyvisible --name "^$1\$" 2>/dev/null
}

# x_size WIN: the window's size into $width and $height.
x_size() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    width=$WIDTH
    height=$HEIGHT
}

# x_wait TITLE [SECONDS [NOT_ID]]: waits for a mapped window of that title
# (other than NOT_ID) and puts its id into $win.
x_wait() {
    tries=$(( ${2:-10} * 10 ))
    while [ $tries -gt 0 ]; do
        for w in $(x_windows "$1"); do
            if [ "$w" != "${3:-}" ]; then
                win=$w
                sleep 0.3  # drawn
                return 0
            fi
        done
        tries=$((tries - 1))
        sleep 0.1
    done
    demo_fail "no window \"$1\" appeared; on the screen: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|')"
}

# x_gone TITLE [SECONDS]: waits until no window of that title is mapped.
x_gone() {
    tries=$(( ${2:-10} * 10 ))
    while [ -n "$(x_windows "$1")" ]; do
        tries=$((tries - 1))
        [ $tries -gt 0 ] || demo_fail "the window \"$1\" did not go away"
        sleep 0.1
    done
    sleep 0.2
}

# x_click WIN X Y [COUNT]: a click (COUNT 2: a double click) at X Y inside
# the window.
x_click() {
    xdotool mousemove --window "$1" "$2" "$3" sleep 0.1 click --repeat "${4:-1}" --delay 80 1
    sleep 0.3
}

# x_key KEY...: keys by their names (Return, BackSpace, End), to the window
# under the pointer.
x_key() {
    xdotool key --delay 30 "$@"
    sleep 0.2
}

# x_type TEXT: types TEXT into the field under the pointer.
x_type() {
    xdotool type --delay 30 "$1"
    sleep 0.2
}

# x_clear WIN X Y: empties the text field at X Y.
x_clear() {
    x_click "$1" "$2" "$3"
    x_key End
    i=0
    while [ $i -lt 25 ]; do
        xdotool key BackSpace
        i=$((i + 1))
    done
    sleep 0.2
}

# x_shot WIN FILE: the window as a PNG.
x_shot() {
    sleep 0.3
    import -window "$1" "$2" 2> /dev/null || demo_fail "cannot take the picture $2"
}
