#!/bin/sh
# Installs the build into a temporary prefix and uses the result as a user
# would.
#
#   install_check.sh programs|manuals|german CMAKE BUILD_DIR SOURCE_DIR
#
# programs: exactly the expected files are installed, with their modes; the
#   data files are those of the source tree; the installed programs run from
#   the prefix (usage texts, start-up with the installed data directory, the
#   graphical program up to opening its display, the simulated router).
# manuals: the manual pages are installed where man finds them and render
#   without a single warning.
# german: the X toolkit itself (appres, on an Xvfb of the check's own) finds
#   the installed German resource file for a user whose LANG begins with
#   "de", through the XFILESEARCHPATH that the README gives, and only then.
#
# The install directories relative to the prefix come from the environment
# (QORVEL_BINDIR, QORVEL_LIBEXECDIR, QORVEL_DATADIR, QORVEL_MANDIR,
# QORVEL_X11DIR: the X11 configuration directory, absolute when it lies
# outside the prefix), the full configured data directory from
# QORVEL_FULL_DATADIR. Exit status 77: the check cannot run here (skipped).
set -u
mode=$1
cmake=$2
build=$3
source=$4

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
skip() {
    echo "SKIP: $*" >&2
    exit 77
}

work=$(mktemp -d /tmp/qorvel-install-XXXXXX) || exit 1
xvfb=
trap 'if [ -n "$xvfb" ]; then kill "$xvfb" 2> /dev/null; fi; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP
prefix=$work/prefix
mkdir "$prefix" "$work/run"

if ! "$cmake" --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install into $prefix" >&2
    exit 1
fi

bindir=$prefix/$QORVEL_BINDIR
libexecdir=$prefix/$QORVEL_LIBEXECDIR/qorvel
datadir=$prefix/$QORVEL_DATADIR/qorvel
mandir=$prefix/$QORVEL_MANDIR
# The German resource file, when the configuration puts it below the prefix.
case $QORVEL_X11DIR in
/*) german_file= ;;
*) german_file=$QORVEL_X11DIR/de/app-defaults/XmQORVEL ;;
esac

# Runs a command with its standard output and error in files of their own:
# run NAME COMMAND...; sets $status, output in $work/NAME.out and .err.
run() {
    name=$1
    shift
    (cd "$work/run" && "$@") > "$work/$name.out" 2> "$work/$name.err" < /dev/null
    status=$?
}
# expect_status NAME WANTED
expect_status() {
    [ "$status" = "$2" ] || {
        fail "$1: exit status $status, expected $2"
        sed 's/^/  | /' "$work/$1.out" "$work/$1.err" >&2
    }
}
# expect_text NAME out|err TEXT
expect_text() {
    grep -qF -- "$3" "$work/$1.$2" || {
        fail "$1: standard $2 lacks \"$3\""
        sed 's/^/  | /' "$work/$1.$2" >&2
    }
}
expect_empty() {
    [ ! -s "$work/$1.$2" ] || {
        fail "$1: standard $2 is not empty"
        sed 's/^/  | /' "$work/$1.$2" >&2
    }
}

# A private network for programs that bind the router port, so that a test
# running beside this one never finds the port taken; "" when there is none.
private_net() {
    if [ "$(id -u)" = 0 ] && unshare -n true 2>/dev/null; then
        echo "unshare -n"
    elif unshare -rn true 2>/dev/null; then
        echo "unshare -rn"
    fi
}

check_programs() {
    # Exactly these files, with these modes: nothing of the tests, no
    # libraries, and the simulated router nowhere on PATH.
    (cd "$prefix" && find . \( -type f -o -type l \) -exec stat -c '%a %n' {} + | sort) \
        > "$work/files.found"
    grep . <<EOF | sort > "$work/files.wanted"
755 ./$QORVEL_BINDIR/qorvel
755 ./$QORVEL_BINDIR/qorvel-ascii
755 ./$QORVEL_LIBEXECDIR/qorvel/router-peer
644 ./$QORVEL_DATADIR/qorvel/qorvel.def
644 ./$QORVEL_DATADIR/qorvel/qorvel.hlp
644 ./$QORVEL_DATADIR/qorvel/qorvel.pro
644 ./$QORVEL_MANDIR/man1/qorvel-ascii.1
644 ./$QORVEL_MANDIR/man1/qorvel.1
${german_file:+644 ./$german_file}
EOF
    if ! cmp -s "$work/files.wanted" "$work/files.found"; then
        fail "installed files differ from the expected ones (- expected, + found)"
        diff -u "$work/files.wanted" "$work/files.found" >&2
    fi
    for f in qorvel.hlp qorvel.pro qorvel.def; do
        cmp -s "$source/data/$f" "$datadir/$f" || fail "$datadir/$f differs from data/$f"
    done
    if [ -n "$german_file" ]; then
        cmp -s "$source/data/XmQORVEL.de" "$prefix/$german_file" ||
            fail "$prefix/$german_file differs from data/XmQORVEL.de"
    fi

    # The terminal program from the users' PATH: its usage, in both
    # languages, names it as it was called.
    run usage env PATH="$bindir:$PATH" qorvel-ascii
    expect_status usage 1
    expect_text usage err "usage:"
    expect_text usage err " qorvel-ascii rov [-f file]"
    expect_text usage err " qorvel-ascii saveconfig -f file [-ip router]"
    expect_text usage err "       QORVEL_LANG=GERMAN  : german"
    run usage_german env PATH="$bindir:$PATH" QORVEL_LANG=GERMAN qorvel-ascii
    expect_status usage_german 1
    expect_text usage_german err "Die Sprache kann ueber die Environment-Variable QORVEL_LANG gesetzt werden."

    # The installed data directory as QORVEL_PATH: qorvel.pro and qorvel.def
    # read without fault, then options without a sub-command end the run.
    net=$(private_net)
    if [ -n "$net" ]; then
        run startup env QORVEL_PATH="$datadir" $net "$bindir/qorvel-ascii" -ip 10.0.0.1
        expect_status startup 0
        expect_empty startup out
        expect_text startup err "Unknown operating mode"
    else
        echo "note: no network namespace here; the start-up with the installed data directory is not run" >&2
    fi
    # ... and the protocol file really is taken from there: a faulty line
    # added to a copy is reported by its number (before any socket exists).
    mkdir "$work/data"
    cp "$datadir"/* "$work/data/"
    lines=$(wc -l < "$work/data/qorvel.pro")
    echo "2:broken base=hdlc" >> "$work/data/qorvel.pro"
    run faulty_protocols env QORVEL_PATH="$work/data" "$bindir/qorvel-ascii" -ip 10.0.0.1
    expect_status faulty_protocols 1
    expect_text faulty_protocols out "syntax error in protocol file: line: $((lines + 1)) column: 0"

    # The graphical program starts and reaches the toolkit: without a display
    # it ends there, as the toolkit does.
    run display "$bindir/qorvel" -display unix:65000
    expect_status display 1
    expect_text display err "Can't open display"

    # The simulated router, from its own directory.
    run peer "$libexecdir/router-peer" --no-such-option
    expect_status peer 1
    expect_text peer err "usage: router-peer"
}

check_manuals() {
    command -v man > /dev/null 2>&1 || skip "man is not installed (tools/install-deps installs it)"
    for page in qorvel qorvel-ascii; do
        file=$mandir/man1/$page.1
        [ -f "$file" ] || { fail "$file is missing"; continue; }
        if grep -n '@[A-Z_]*@' "$file" > "$work/left.txt"; then
            fail "$file keeps unconfigured names: $(cat "$work/left.txt")"
        fi
        grep -qF "$QORVEL_FULL_DATADIR" "$file" || fail "$file does not name the data directory $QORVEL_FULL_DATADIR"

        # Rendered as a user reads it, and with every groff warning on.
        for warnings in "" "--warnings=w"; do
            run "man_$page" env LC_ALL=C.UTF-8 MANWIDTH=80 MAN_DISABLE_SECCOMP=1 \
                man $warnings -l "$file"
            expect_status "man_$page" 0
            expect_empty "man_$page" err
            [ -s "$work/man_$page.out" ] || fail "man -l $warnings $file renders nothing"
        done
        if command -v lexgrog > /dev/null 2>&1; then
            lexgrog "$file" > "$work/lexgrog.out" 2>&1 || fail "the NAME section of $file cannot be indexed: $(cat "$work/lexgrog.out")"
        fi

        # Found by name below the prefix's manual directory.
        run "where_$page" env MANPATH="$mandir" MAN_DISABLE_SECCOMP=1 man -w "$page"
        expect_status "where_$page" 0
        [ "$(cat "$work/where_$page.out")" = "$file" ] || fail "man -w $page gives $(cat "$work/where_$page.out"), not $file"
    done

    # What the pages must tell (rendered text).
    env LC_ALL=C.UTF-8 MANWIDTH=200 MAN_DISABLE_SECCOMP=1 man -l "$mandir/man1/qorvel-ascii.1" > "$work/ascii.txt" 2>/dev/null
    for text in "SUB-COMMANDS" "rov" "accounting" "linemonitor" "linetarget" "routerconfig" "saveconfig" \
                "-f file" "-ip router" "-reset" "QORVEL_LANG" "QORVEL_PATH" "EXIT STATUS" \
                "qorvel.def" "qorvel.pro" "qorvel.add" "/tmp/save.cfg" "fw_1tr6." "fw_dss1."; do
        grep -qF -- "$text" "$work/ascii.txt" || fail "qorvel-ascii(1) does not mention $text"
    done
    env LC_ALL=C.UTF-8 MANWIDTH=200 MAN_DISABLE_SECCOMP=1 man -l "$mandir/man1/qorvel.1" > "$work/gui.txt" 2>/dev/null
    for text in "XmQORVEL" "QORVEL_PATH" "EXIT STATUS" "qorvel.hlp" "qorvel.def" "qorvel.pro" \
                "qorvel.add" "/tmp/save.cfg" "fw_1tr6." "fw_dss1."; do
        grep -qF -- "$text" "$work/gui.txt" || fail "qorvel(1) does not mention $text"
    done
}

check_german() {
    [ -n "$german_file" ] || skip "the German resource file is installed outside the prefix ($QORVEL_X11DIR)"
    for c in Xvfb appres; do
        command -v $c > /dev/null 2>&1 || skip "$c is not installed (tools/install-deps installs it)"
    done
    # The toolkit needs a display to read resources: one of our own.
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3> "$work/display" 2> /dev/null &
    xvfb=$!
    tries=0
    while [ ! -s "$work/display" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 $xvfb 2> /dev/null; then
            kill $xvfb 2> /dev/null
            skip "Xvfb did not start"
        fi
        sleep 0.1
    done
    display=:$(head -n 1 "$work/display")

    # As the README tells a user of an installation below /usr/local: the
    # prefix's X11 directory in front of Debian's own path.
    x11=$prefix/$QORVEL_X11DIR
    search="$x11/%L/%T/%N:$x11/%l/%T/%N:/etc/X11/%L/%T/%N%C%S:/etc/X11/%l/%T/%N%C%S:/etc/X11/%T/%N%C%S"
    for lang in de_DE.UTF-8 de_DE de_AT.ISO-8859-1 C C.UTF-8 en_US.UTF-8 fr_FR.UTF-8; do
        run "appres_$lang" env -u XENVIRONMENT -u XAPPLRESDIR -u XUSERFILESEARCHPATH \
            HOME="$work/run" DISPLAY="$display" LANG="$lang" XFILESEARCHPATH="$search" \
            appres XmQORVEL
        expect_status "appres_$lang" 0
        case $lang in
        de*)
            expect_text "appres_$lang" out "XmQORVEL*MainForm.Open.labelString:	Anmelden"
            # The whole file, fonts and colours included: it takes the place
            # of the program's own values.
            expect_text "appres_$lang" out "XmQORVEL*ConfigDialog*LineList.background:	cornsilk"
            ;;
        *)
            if grep -q "XmQORVEL" "$work/appres_$lang.out"; then
                fail "LANG=$lang reads German resources: $(head -n 3 "$work/appres_$lang.out")"
            fi
            ;;
        esac
    done
    kill $xvfb 2> /dev/null
    wait $xvfb 2> /dev/null
    xvfb=
}

case $mode in
programs) check_programs ;;
manuals) check_manuals ;;
german) check_german ;;
*) echo "usage: $0 programs|manuals|german CMAKE BUILD_DIR SOURCE_DIR" >&2; exit 2 ;;
esac

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed into a temporary prefix: all $mode checks passed"
