#!/usr/bin/env bash
# Several stations, one PostgreSQL server.
#  1. What the database costs a chip: one process writing chip after chip on
#     a demo gateway, and on flashwright-sim, with the files and with the
#     database.
#  2. Eight station processes with two gateways each (240 chips) through a
#     fault proxy: one COMMIT whose answer is lost, and the server killed
#     (kill -9) in the middle and started again. Records must equal chips,
#     no number may be on two chips, nothing may be left in a spool.
#  3. A server that takes the connection and never answers: how long it
#     holds a station, and how soon Ctrl+C ends the wait.
#   bench/database_stations.sh BUILD_DIR
# Prints figures; exits 1 when a number was used twice, a record was lost
# or made twice, or a spool was left.
set -uo pipefail
build=${1:-build}
cli=$build/src/flashwright-cli
sim=$build/src/flashwright-sim
proxy_program=$build/bench/bench_pg_proxy
bin=$(ls -d /usr/lib/postgresql/*/bin | tail -1)
work=$(mktemp -d /tmp/flashwright_bench_db.XXXXXX)
chmod 755 "$work"
as=""
if [ "$(id -u)" = 0 ]; then
  chown postgres "$work"
  as="runuser -u postgres --"
fi
port=$((30000 + $$ % 20000))
export XDG_DATA_HOME=$work/data HOME=$work
$as "$bin/initdb" -D "$work/pg" -A trust -U postgres >/dev/null
start() { $as "$bin/pg_ctl" -D "$work/pg" -o "-k $work -c listen_addresses='' -p $port -c max_connections=200" -l "$work/pg.log" -w start >/dev/null; }
start
cleanup() {
  $as "$bin/pg_ctl" -D "$work/pg" -m immediate stop >/dev/null 2>&1
  [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
url="host=$work port=$port user=postgres dbname=postgres"
"$cli" database init --database "$url" >/dev/null
status=0
now() { date +%s.%N; }
since() { echo "scale=3; $(now) - $1" | bc; }

# A firmware for the PIC16F684.
printf ':020000040000FA\n:080000000130A0000230A10012\n:02400E00C430BC\n:084200001100220033004400AA\n:00000001FF\n' |
  python3 -c 'import sys
for l in sys.stdin:
  l=l.strip(); b=bytes.fromhex(l[1:-2]); print(":"+l[1:-2]+"%02X"%((-sum(b))&0xFF))' >"$work/fw.hex"
write() {  # write PORT STORE-OPTIONS...
  local on=$1
  shift
  "$cli" write --port "$on" --chip PIC16F684 --yes --quiet --serial-at eeprom:0x70:2 "$@" "$work/fw.hex"
}

# 1. The cost a chip, one process.
cost() {  # cost LABEL PORT CHIPS [WRITE-OPTIONS...]
  local label=$1 on=$2 chips=$3 t0 files db
  shift 3
  t0=$(now)
  for _ in $(seq "$chips"); do write "$on" "$@" --serial 1 --serial-file "$work/s-$label.txt" --record "$work/r-$label.jsonl" >/dev/null 2>&1; done
  files=$(since "$t0")
  t0=$(now)
  for _ in $(seq "$chips"); do write "$on" "$@" --database "$url" --serial-series "cost-$label" --serial 1 >/dev/null 2>&1; done
  db=$(since "$t0")
  echo "one process, $label: files $(echo "scale=1; $files * 1000 / $chips" | bc) ms a chip," \
    "database $(echo "scale=1; $db * 1000 / $chips" | bc) ms a chip:" \
    "+$(echo "scale=1; ($db - $files) * 1000 / $chips" | bc) ms ($(echo "scale=2; ($db - $files) * 100 / $files" | bc)%)"
}
[ -z "${SKIP_COST:-}" ] && cost demo demo:PIC16F684 40
"$sim" --chip PIC16F684 >"$work/sim.out" 2>/dev/null &
sim_pid=$!
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
cost simulator "$(head -1 "$work/sim.out")" 4 --no-verify
kill "$sim_pid"
sim_pid=""

# 2. Eight stations through the fault proxy.
mkfifo "$work/proxy.in"
"$proxy_program" "$work/.s.PGSQL.$port" <"$work/proxy.in" >"$work/proxy.out" &
exec 7>"$work/proxy.in"
for _ in $(seq 50); do [ -s "$work/proxy.out" ] && break; sleep 0.1; done
proxy_port=$(head -1 "$work/proxy.out")
through="host=127.0.0.1 port=$proxy_port user=postgres dbname=postgres sslmode=disable"
stations=8 runs=15  # 8 stations x 2 gateways x 15 chips = 240 chips
station() {  # station NUMBER
  for g in 1 2; do
    for _ in $(seq "$runs"); do
      write demo:PIC16F684 --database "$through" --serial-series line --serial 1 >>"$work/station$1.$g.out" 2>&1
      echo "exit $?" >>"$work/station$1.$g.out"
      sleep 0.1  # the next chip put in
    done &
  done
  wait
}
(
  sleep 0.3
  echo "drop COMMIT" >&7
  sleep 0.7
  pkill -9 -f "$bin/postgres -D $work/pg"
  sleep 0.5
  # Backends of the killed server may hold its shared memory a moment longer.
  for _ in $(seq 40); do start 2>/dev/null && break; sleep 0.25; done
) &
faults=$!
t0=$(now)
pids=()
for n in $(seq "$stations"); do
  station "$n" &
  pids+=($!)
done
wait "${pids[@]}" "$faults"
took=$(since "$t0")
# A last run sends whatever waits in the spool.
write demo:PIC16F684 --database "$through" --serial-series line >"$work/last.out" 2>&1
echo "dropped" >&7
for _ in $(seq 50); do [ "$(wc -l <"$work/proxy.out")" = 2 ] && break; sleep 0.1; done
dropped=$(tail -1 "$work/proxy.out")
exec 7>&-
out=$(cat "$work"/station*.out "$work/last.out")
runs_total=$(grep -c "^exit" <<<"$out")
refused=$(grep -c "nothing programmed" <<<"$out")
spooled=$(grep -c "waits in" <<<"$out")
chips=$((runs_total + 1 - refused))
q() { psql "$url" -Atc "$1"; }
rows=$(q "SELECT count(*) FROM flashwright_chips WHERE series = 'line'")
ids=$(q "SELECT count(DISTINCT record_id) FROM flashwright_chips WHERE series = 'line'")
twice=$(q "SELECT count(*) FROM (SELECT serial FROM flashwright_chips WHERE series = 'line' AND outcome = 'done' GROUP BY serial HAVING count(*) > 1) t")
settled=$(q "SELECT count(*) FROM flashwright_serials WHERE series = 'line' AND state = 'used'")
done_rows=$(q "SELECT count(*) FROM flashwright_chips WHERE series = 'line' AND outcome = 'done'")
left=$(find "$XDG_DATA_HOME" -name '*.jsonl' -size +0 2>/dev/null | wc -l)
echo "8 stations, $runs_total runs in $took s: $dropped COMMIT answer lost, the server killed once;" \
  "$refused runs refused before their first chip, $spooled records spooled and sent later"
echo "  chips $chips, records $rows (distinct identities $ids), passed $done_rows with $settled numbers used," \
  "numbers on two chips $twice, spools left $left"
echo "  what the stations said of it (one of each):"
grep -E "flashwright-cli:" <<<"$out" | sed -E 's/[0-9]{3,}/N/g; s/(spool\/database-)[0-9a-f-]+/\1ID/' | sort | uniq -c | head -8 | sed 's/^/   /'
[ "$rows" = "$chips" ] && [ "$ids" = "$rows" ] && [ "$twice" = 0 ] && [ "$left" = 0 ] && [ "$settled" = "$done_rows" ] || status=1
"$cli" report --database "$url" --series line | sed 's/^/  /'

# 3. A server that never answers.
python3 -c '
import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(8)
print(s.getsockname()[1], flush=True); time.sleep(600)' >"$work/silent.port" &
silent_pid=$!
for _ in $(seq 50); do [ -s "$work/silent.port" ] && break; sleep 0.1; done
silent="host=127.0.0.1 port=$(cat "$work/silent.port") user=postgres dbname=postgres"
t0=$(now)
write demo:PIC16F684 --database "$silent" --serial-series s >/dev/null 2>&1
echo "a silent server holds a station $(since "$t0") s (connect_timeout's default)"
# Started as itself, not in a function's subshell, so that the signal
# reaches the program and not a shell waiting for it.
(exec "$cli" write --port demo:PIC16F684 --chip PIC16F684 --yes --quiet --database "$silent" \
  --serial-series s --serial-at eeprom:0x70:2 "$work/fw.hex" >/dev/null 2>&1) &
sleep 1
t0=$(now)
kill -INT $!
wait $!
echo "  Ctrl+C after 1 s ends the wait in $(since "$t0") s"
kill "$silent_pid"
exit $status
