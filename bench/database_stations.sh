#!/usr/bin/env bash
# Several stations, one PostgreSQL server: four station processes, each
# programming on two simulated gateways at once, take their serial numbers
# and write their records through the database; the same run on the shared
# serial file and record for the time per chip; then the same with the
# server killed (kill -9) in the middle and started again.
#   bench/database_stations.sh BUILD_DIR
# Prints figures; exits 1 when a number was used twice or a record was lost.
set -uo pipefail
build=${1:-build}
cli=$build/src/flashwright-cli
bin=$(ls -d /usr/lib/postgresql/*/bin | tail -1)
work=$(mktemp -d /tmp/flashwright_bench_db.XXXXXX)
as=""
if [ "$(id -u)" = 0 ]; then
  chown postgres "$work"
  as="runuser -u postgres --"
fi
port=$((30000 + $$ % 20000))
export XDG_DATA_HOME=$work/data HOME=$work
$as "$bin/initdb" -D "$work/pg" -A trust -U postgres >/dev/null
start() { $as "$bin/pg_ctl" -D "$work/pg" -o "-k $work -c listen_addresses='' -p $port" -l "$work/pg.log" -w start >/dev/null; }
start
trap '$as "$bin/pg_ctl" -D "$work/pg" -m immediate stop >/dev/null 2>&1; rm -rf "$work"' EXIT
url="host=$work port=$port user=postgres dbname=postgres"
"$cli" database init --database "$url"

# A firmware for the PIC16F684.
printf ':020000040000FA\n:080000000130A0000230A10012\n:02400E00C430BC\n:084200001100220033004400AA\n:00000001FF\n' |
  python3 -c 'import sys
for l in sys.stdin:
  l=l.strip(); b=bytes.fromhex(l[1:-2]); print(":"+l[1:-2]+"%02X"%((-sum(b))&0xFF))' >"$work/fw.hex"

stations=4 runs=13  # 4 stations x 2 gateways x 13 chips = 104 chips
# A station: two gateways, each a process of its own writing chip after chip.
station() {  # station NUMBER STORE-OPTIONS...
  local n=$1
  shift
  for g in 1 2; do
    for _ in $(seq "$runs"); do
      "$cli" write --port demo:PIC16F684 --chip PIC16F684 --yes --quiet \
        --serial-at eeprom:0x70:2 "$@" "$work/fw.hex" >>"$work/station$n.$g.out" 2>&1
    done &
  done
  wait
}
run_all() {  # name STORE-OPTIONS...
  local name=$1
  shift
  rm -f "$work"/station*.out
  local t0=$(date +%s.%N)
  for n in $(seq "$stations"); do station "$n" "$@" & done
  wait
  local t1=$(date +%s.%N)
  echo "$name: $(echo "scale=1; ($t1 - $t0) * 1000 / ($stations * $runs * 2)" | bc) ms a chip ($((stations * runs * 2)) chips)"
}

run_all "files   " --serial 1000 --serial-file "$work/serials.txt" --record "$work/record.jsonl"
files_report=$("$cli" report "$work/record.jsonl")
run_all "database" --database "$url" --serial-series bench --serial 1000
db_report=$("$cli" report --database "$url" --series bench)
echo "$db_report" | grep -E "chips:|serial numbers|gaps|more than one"
rows=$(psql "$url" -Atc "SELECT count(*) FROM flashwright_chips WHERE series = 'bench'")
unique=$(psql "$url" -Atc "SELECT count(DISTINCT serial) FROM flashwright_chips WHERE series = 'bench' AND outcome = 'done'")
echo "rows $rows, distinct serial numbers on chips that passed $unique"
status=0
[ "$rows" = "$unique" ] || status=1

# The server killed in the middle of a run, then started again.
runs=40
( sleep 0.7; pkill -9 -f "$bin/postgres -D $work/pg"; sleep 1.5; start 2>/dev/null; echo "server killed and started again" ) &
run_all "killed  " --database "$url" --serial-series killed --serial 1
wait
# A last run on the port sends what waits in its spool.
"$cli" write --port demo:PIC16F684 --chip PIC16F684 --yes --quiet --serial-at eeprom:0x70:2 \
  --database "$url" --serial-series killed "$work/fw.hex" >/dev/null 2>&1
spooled=$(cat "$work"/station*.out | grep -c "waits in" || true)
refused=$(cat "$work"/station*.out | grep -c "cannot be reached" || true)
twice=$(psql "$url" -Atc "SELECT count(*) FROM (SELECT serial FROM flashwright_chips WHERE series = 'killed' AND outcome = 'done' GROUP BY serial HAVING count(*) > 1) t")
left=$(ls "$XDG_DATA_HOME"/flashwright/spool/ 2>/dev/null | wc -l)
rows=$(psql "$url" -Atc "SELECT count(*) FROM flashwright_chips WHERE series = 'killed'")
passed=$(cat "$work"/station*.out | grep -c "^Checksum" || true)
echo "killed: $spooled records spooled and sent later, $refused runs refused before their first chip, $twice numbers on two chips, $left spool files left, $rows rows"
echo "what the stations said of it (one of each):"
cat "$work"/station*.out | grep -E "flashwright-cli:" | sed -E 's/[0-9]{4,}/N/g' | sort | uniq -c | head -8
[ "$twice" = 0 ] && [ "$left" = 0 ] || status=1
"$cli" report --database "$url" --series killed | grep -E "chips:|serial numbers|gaps|more than one"
exit $status
