#!/usr/bin/env bash
# The inspector lists its target and version as DevTools expects, on loopback
# only. It serves only requests that name this machine: a web page that reaches its port
# through a name its DNS points here (DNS rebinding) sends that name as Host,
# and gets 403, never the targets or a session.
source "$(dirname "$0")/common.bash"

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' \
  2>/dev/null || echo $((20000 + RANDOM % 20000)))
# Waits for a debugger that never comes, so the inspector serves meanwhile.
echo 1 >"$fault_tmp/inspected.js"
timeout -k 5 60 "$QORJS" --inspect-brk="$port" "$fault_tmp/inspected.js" >/dev/null 2>&1 &
server=$!
url=http://127.0.0.1:$port

status() { curl -s -o /dev/null -w '%{http_code}' --max-time 5 "$@"; }
for _ in $(seq 100); do
  [ "$(status -H 'Host: localhost' "$url/json/version")" = 200 ] && break
  sleep 0.1
done
list=$(curl -s --max-time 5 -H 'Host: localhost' "$url/json/list")
target=$(sed -n 's/.*"id": "\(.*\)".*/\1/p' <<<"$list")
check "the inspector lists its target" [ -n "$target" ]
check "the target's DevTools address" grep -qF "ws=127.0.0.1:$port/$target\"" <<<"$list"
check "the target's WebSocket address" grep -qF "\"webSocketDebuggerUrl\": \"ws://127.0.0.1:$port/$target\"" <<<"$list"
check "the target's script" grep -qE '"url": "file:///[^"]*/inspected\.js"' <<<"$list"
# DevTools shows its own icon for a target that names none.
check "the target names no address on the web" test -z "$(grep -E 'https?://' <<<"$list")"
check "the protocol version" grep -qF '"Protocol-Version": "1.3"' \
  <<<"$(curl -s --max-time 5 -H 'Host: localhost' "$url/json/version")"

# It listens on loopback only: the machine's other addresses are refused.
for address in $(hostname -I 2>/dev/null); do
  [[ $address == *:* ]] && address="[$address]"
  check "nothing answers on $address" [ "$(status "http://$address:$port/json/version")" = 000 ]
done

for host in localhost "localhost:$port" LocalHost "127.0.0.1:$port" 127.0.0.1 "[::1]:$port" "[::1]"; do
  check "Host $host is served" [ "$(status -H "Host: $host" "$url/json/list")" = 200 ]
done
for host in evil.example "evil.example:$port" "127.0.0.1.evil.example" "localhost.evil.example:$port" \
  "localhost:x" ""; do
  check "Host '$host' is refused" [ "$(status -H "Host: $host" "$url/json/list")" = 403 ]
done
check "a WebSocket upgrade with a foreign Host is refused" [ "$(status -H 'Host: evil.example' \
  -H 'Connection: Upgrade' -H 'Upgrade: websocket' -H 'Sec-WebSocket-Version: 13' \
  -H 'Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==' "$url/$target")" = 403 ]

# A client that lets the script run and leaves: qorjs ends as it would after a
# session, rather than by a signal that would skip its exit.
python3 - "$port" "$target" <<'PY' >/dev/null 2>&1 || kill "$server" 2>/dev/null
import base64, os, socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])), 5)
key = base64.b64encode(os.urandom(16)).decode()
s.sendall(f"GET /{sys.argv[2]} HTTP/1.1\r\nHost: localhost\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
          f"Sec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n".encode())
if b" 101 " not in s.recv(4096):
    sys.exit(1)
text, mask = b'{"id":1,"method":"Runtime.runIfWaitingForDebugger"}', os.urandom(4)
s.sendall(bytes([0x81, 0x80 | len(text)]) + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(text)))
s.close()
PY
wait "$server"
check "the script ends once its client has let it run and left" [ $? = 0 ]
finish
