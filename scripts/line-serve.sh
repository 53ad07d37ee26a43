# Sourced by the scripts that start varnex-line. The service prints "serving http://HOST:PORT/"
# only once it holds its port: waiting for that line, rather than for an answer on the port that
# another program may give, tells that this service started, and on which port (for port 0).
#
#   port=$(line_service_port <log file> <pid>)   fails when the service ended or 30 s passed
line_service_port() {
  local log=$1 pid=$2 waited=0
  until grep -q "serving http://" "$log" 2>/dev/null; do
    if ! kill -0 "$pid" 2>/dev/null || [ $waited -ge 300 ]; then
      return 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
  sed -n 's#.*serving http://[^/]*:\([0-9]*\)/.*#\1#p' "$log" | head -n 1
}
