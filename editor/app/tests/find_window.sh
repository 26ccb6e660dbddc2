# Sourced by the window end-to-end tests. find_window SECONDS ARGS...: the first window that
# `xdotool search ARGS` finds within SECONDS. Asked again and again rather than with --sync, which
# ends on an X error (BadWindow) when a window goes away while it looks, as a closing dialog does
# on a busy machine.
find_window() {
  local seconds=$1 found
  shift
  local end=$((SECONDS + seconds))
  while :; do
    found=$(xdotool search "$@" 2>/dev/null | head -n 1) || true
    if [ -n "$found" ]; then
      echo "$found"
      return 0
    fi
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}
