#!/usr/bin/env bash
# Runs the user guide's Slurm commands (docs/clusters.md), exactly as written
# there, on a one-node Slurm brought up on this machine's loopback address
# (munge, slurmctld and slurmd of Debian's slurm-wlm, with a configuration,
# key and state of their own in a scratch folder), and compares the merged sweep byte for byte with
# the same sweep run in one process. Every daemon it starts is stopped when it
# ends, on failure too; on failure their logs stay in the scratch folder.
# Run as root, by ./test.sh.
#
#   tools/slurm-check.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=$(cd "${1:-build}" && pwd)
sweep="$build/src/app/morvane-sweep"
say() { echo "slurm-check: $*"; }
fail() {
  echo "slurm-check: FAIL: $*" >&2
  exit 1
}
[ -x "$sweep" ] || fail "build morvane-sweep first ($sweep)"
[ "$(id -u)" -eq 0 ] || fail "run as root (the daemons run as root and munge)"
for c in munged slurmctld slurmd sbatch sinfo scancel setpriv; do
  command -v "$c" >/dev/null || fail "$c is missing (tools/setup.sh installs it)"
done

# The guide's block that follows the line naming this check.
page=docs/clusters.md
guide_block=$(awk '/run as written by tools\/slurm-check.sh/ { found = 1; next }
  found && /^```/ { if (inside) exit; inside = 1; next }
  inside { print }' "$page")
[ -n "$guide_block" ] || fail "$page has no Slurm block marked for this check"

work=$(mktemp -d /tmp/morvane-slurm-XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  local pid
  timeout 10 scancel --quiet --full --user=root 2>/dev/null || true
  # munged was started through setpriv, which became munged: its pid is ours.
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for _ in $(seq 50); do
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && break; pid=; done
    [ -z "$pid" ] && break
    sleep 0.1
  done
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [ -z "$passed" ] || rm -rf "$work"
}
passed=
trap cleanup EXIT

# Two free loopback ports for slurmctld and slurmd.
port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=$((20000 + RANDOM % 20000))
while ! port_free "$port" || ! port_free $((port + 1)); do port=$((port + 2)); done

# munge: a key and a daemon of our own, on a socket every user can reach.
mkdir -p "$work/munge" "$work/socket"
chown munge: "$work/munge" "$work/socket"
chmod 700 "$work/munge"
chmod 755 "$work/socket"
dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 status=none
chown munge: "$work/munge/munge.key"
chmod 400 "$work/munge/munge.key"
socket="$work/socket/munge.socket"
setpriv --reuid=munge --regid=munge --init-groups /usr/sbin/munged --foreground \
  --key-file="$work/munge/munge.key" --socket="$socket" --pid-file="$work/munge/munged.pid" \
  --seed-file="$work/munge/seed" --log-file="$work/munge/munged.log" \
  >>"$work/munge/munged.out" 2>&1 &
pids+=($!)

node=$(hostname -s)
mkdir -p "$work/state" "$work/spool"
export SLURM_CONF="$work/slurm.conf"
cat >"$SLURM_CONF" <<EOF
ClusterName=morvanecheck
SlurmctldHost=$node(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=$port
SlurmdPort=$((port + 1))
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
SchedulerType=sched/builtin
# Tasks of a few tenths of a second: schedule at once when one ends, and keep
# ended jobs briefly, so that sbatch --wait polls every 2 s, not every 32.
SchedulerParameters=sched_interval=1,batch_sched_delay=0,sched_min_interval=0
MinJobAge=4
ReturnToService=2
MpiDefault=none
JobCompType=jobcomp/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MailProg=/bin/true
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=check Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
# No cgroups are used (linuxproc, task/none), and a chroot may have none
# mounted: name a plugin, so that slurmd does not look for them at start.
echo "CgroupPlugin=cgroup/v1" >"$work/cgroup.conf"
for _ in $(seq 50); do [ -S "$socket" ] && break; sleep 0.1; done
[ -S "$socket" ] || fail "munged did not start; see $work/munge"
slurmctld -D -i -f "$SLURM_CONF" >>"$work/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" >>"$work/slurmd.out" 2>&1 &
pids+=($!)
node_up() { timeout 5 sinfo -h -o %T 2>/dev/null | grep -qE '^(idle|mixed)'; }
for _ in $(seq 100); do
  node_up && break
  sleep 0.2
done
node_up || fail "the node did not come up; logs in $work:
$(tail -n 5 "$work/slurmctld.log" "$work/slurmd.log" 2>&1)"
say "one-node Slurm up on 127.0.0.1 ($(sinfo -h -o '%D node, %c CPUs'))"

# The guide's lines, as a user types them at the top of the source tree: a
# folder with the tree's tools and the build folder.
run="$work/run"
mkdir -p "$run"
ln -s "$repo/tools" "$run/tools"
ln -s "$build" "$run/build"
start=$SECONDS
if ! (cd "$run" && timeout 300 bash -euo pipefail -c "$guide_block") >"$work/guide.out" 2>&1; then
  cat "$work/guide.out" >&2
  tail -n 5 "$run"/slurm-*.out >&2 2>/dev/null || true
  fail "the Slurm commands of $page failed (files in $work)"
fi
shards=$(find "$run/shards" -name "shard-*.mrv" | wc -l)

# The same sweep in one process: the options the guide gives the batch
# script after the number of shards.
submit=$(printf '%s\n' "$guide_block" | sed -e ':a' -e '/\\$/{N;s/\\\n//;ba' -e '}' | grep '^sbatch ')
eval "options=($(printf '%s' "$submit" | sed 's|.*tools/sweep\.sbatch [0-9][0-9]* ||'))"
(cd "$run" && "$sweep" "${options[@]}" --final single.mrv) >"$work/single.out" 2>&1 ||
  fail "the one-process sweep failed: $(cat "$work/single.out")"
for f in mrv tsv; do
  cmp "$run/sweep.$f" "$run/single.$f" >&2 ||
    fail "the merged sweep.$f differs from the one-process sweep (files in $run)"
done
passed=yes
say "PASS: the sbatch and merge of $page ran as written ($shards shards," \
  "$(($(wc -l <"$run/sweep.mrv") - 1)) points in $((SECONDS - start)) s)," \
  "identical to one process"
