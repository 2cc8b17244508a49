# Sourced by scripts/demo and scripts/screenshots: a throwaway ngircd on a free loopback
# port with the scripted users of demo-users.py in #quorl.
#   start_demo_server WORK [demo-users.py arguments...]
# sets PORT, SERVER_PID and USERS_PID; the caller stops both (stop_demo_server).

start_demo_server() {
    local work="$1"
    shift
    local ngircd
    ngircd="$(command -v ngircd || echo /usr/sbin/ngircd)"
    [ -x "$ngircd" ] || { echo "ngircd is not installed (make deps)" >&2; return 1; }
    PORT="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
    cat > "$work/ngircd.conf" <<CONF
[Global]
Name = demo.quorl.local
Info = QuorlIRC demo server
Listen = 127.0.0.1
Ports = $PORT
MotdPhrase = Welcome to the QuorlIRC demo server
[Limits]
PingTimeout = 120
PongTimeout = 20
MaxNickLength = 30
[Options]
Ident = no
PAM = no
DNS = no
CONF
    # ngircd drops root for "nobody", which must still read its config.
    chmod 755 "$work"
    chmod 644 "$work/ngircd.conf"

    "$ngircd" -n -f "$work/ngircd.conf" > "$work/ngircd.log" 2>&1 &
    SERVER_PID=$!
    for _ in $(seq 50); do
        python3 -c "import socket; socket.create_connection(('127.0.0.1', $PORT), 0.2)" 2>/dev/null && break
        sleep 0.1
    done

    python3 "$(dirname "${BASH_SOURCE[0]}")/demo-users.py" "$PORT" "$@" &
    USERS_PID=$!
    sleep 1.5
}

stop_demo_server() {
    if [ -n "${USERS_PID:-}" ]; then kill "$USERS_PID" 2>/dev/null || true; fi
    if [ -n "${SERVER_PID:-}" ]; then kill "$SERVER_PID" 2>/dev/null || true; fi
    USERS_PID=""
    SERVER_PID=""
}
