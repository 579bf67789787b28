#!/usr/bin/env bash
# Checks morvane-sweep on a real Slurm: sets up a single-node cluster on this
# machine (Debian's slurm-wlm and munge, installed here if missing; run as
# root), submits a sweep as a job array with tools/sweep.sbatch, merges the
# shards, and compares the result byte for byte with the same sweep run in one
# process. Not part of ./test.sh. Everything it starts is stopped at the end;
# its configuration, state and files live in a scratch folder.
#
#   tools/slurm-check.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
sweep="$build/src/app/morvane-sweep"
[ -x "$sweep" ] || { echo "slurm-check: build morvane-sweep first ($sweep)" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "slurm-check: run as root" >&2; exit 2; }

missing=()
for p in slurm-wlm munge; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "slurm-check: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

work=$(mktemp -d /tmp/morvane-slurm-XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  local pid i
  # munged runs under runuser: stop it by its own pid as well.
  [ -s "$work/munge/munged.pid" ] && pids+=("$(cat "$work/munge/munged.pid")")
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for i in $(seq 50); do
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && break; pid=; done
    [ -z "$pid" ] && break
    sleep 0.1
  done
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# munge: a key of our own and a daemon of our own on its own socket (whose
# folder every user must be able to reach).
mkdir -p "$work/munge" "$work/socket"
chown munge: "$work/munge" "$work/socket"
chmod 700 "$work/munge"
chmod 755 "$work/socket"
dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 status=none
chown munge: "$work/munge/munge.key"
chmod 400 "$work/munge/munge.key"
socket="$work/socket/munge.socket"
runuser -u munge -- /usr/sbin/munged --foreground --key-file="$work/munge/munge.key" \
  --socket="$socket" --pid-file="$work/munge/munged.pid" --seed-file="$work/munge/seed" \
  --log-file="$work/munge/munged.log" &
pids+=($!)

# Slurm: one node, this machine, on loopback ports of its own.
node=$(hostname -s)
cpus=$(nproc)
mkdir -p "$work/state" "$work/spool"
export SLURM_CONF="$work/slurm.conf"
cat >"$SLURM_CONF" <<EOF
ClusterName=morvanecheck
SlurmctldHost=$node(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=16817
SlurmdPort=16818
AuthType=auth/munge
AuthInfo=socket=$socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/backfill
ReturnToService=2
MpiDefault=none
JobCompType=jobcomp/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MailProg=/bin/true
NodeName=$node NodeAddr=127.0.0.1 CPUs=$cpus State=UNKNOWN
PartitionName=check Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
for i in $(seq 50); do [ -S "$socket" ] && break; sleep 0.1; done
[ -S "$socket" ] || { echo "slurm-check: munged did not start; see $work/munge" >&2; exit 1; }
slurmctld -D -i -f "$SLURM_CONF" >>"$work/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" >>"$work/slurmd.out" 2>&1 &
pids+=($!)
node_up() { timeout 5 sinfo -h -o %T 2>/dev/null | grep -qE '^(idle|mixed)'; }
for i in $(seq 60); do
  node_up && break
  sleep 0.5
done
if ! node_up; then
  echo "slurm-check: the node did not come up; logs in $work" >&2
  tail -n 20 "$work"/slurm*.log >&2 || true
  exit 1
fi
echo "slurm-check: single-node Slurm up ($(sinfo -h -o '%P %D %T %C'))"

# The sweep: as an array of 8 shards, and in one process.
args=(--model diploid-global --W1A 0.9 --W2A 0.4 --W1a 0.5 --W2a 0.8 --i 3 --j 2
      --max-generations 2000 --vary x=0:1:12 --vary c=0.2:0.8:10)
run="$work/run"
mkdir -p "$run"
(cd "$run" && MORVANE_SWEEP="$sweep" timeout 600 sbatch --wait --quiet --array=0-7 \
  "$OLDPWD/tools/sweep.sbatch" "${args[@]}")
(cd "$run" && "$sweep" --merge merged.mrv shards/shard-*.mrv --map map.png)
(cd "$run" && "$sweep" "${args[@]}" --final single.mrv)
if cmp "$run/merged.mrv" "$run/single.mrv" && cmp "$run/merged.tsv" "$run/single.tsv"; then
  echo "slurm-check: PASS: 8 array tasks, $(($(wc -l <"$run/merged.mrv") - 1)) points merged," \
    "identical to the single-process sweep (files in $run)"
else
  echo "slurm-check: FAIL: the merged sweep differs from the single-process one ($run)" >&2
  exit 1
fi
