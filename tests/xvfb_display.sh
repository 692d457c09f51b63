# Sourced by the tests that play the real SDL game in a window: a private Xvfb of the window's
# own size (the window covers it, so a screenshot of the display is the game's), exported as
# DISPLAY. xvfb_pid is left for the caller's clean-up; status 1 when Xvfb did not start.
start_xvfb() {  # WORK_DIR
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$1/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$1/display" ] && break; sleep 0.1; done
    [ -s "$1/display" ] || return 1
    export DISPLAY=:$(head -n1 "$1/display")
}
