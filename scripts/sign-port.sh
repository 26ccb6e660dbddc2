# Sourced by the scripts that start a virtual sign on port 0.
# sign_port FILE PID: the port the sign wrote to FILE ("Glimmer: listening on HOST:PORT"), waiting
# up to 10 s while PID runs; prints it, or returns 1 with nothing printed.
sign_port() {
  local file=$1 pid=$2 port=
  for _ in $(seq 200); do
    port=$(sed -n 's/^Glimmer: listening on .*:\([0-9]*\)$/\1/p' "$file" 2>/dev/null)
    [ -n "$port" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  [ -n "$port" ] && echo "$port"
}
