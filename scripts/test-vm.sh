#!/usr/bin/env bash
# The probe on a real Linux kernel: boots Debian's kernel under qemu with one emulated e1000
# NIC per adapter port of MODEL (default examples/san.json), brings software FCoE up on each
# against fabricsim-fcf (the model's fabric on the other end of each link), runs the
# installed probe inside through libhbalinux and the kernel's fcoe, libfc and bsg, and
# compares what it wrote with fabricsim-run's vendor mode on the same model. One boot
# serves every run: each scenario has NICs and a fabric of its own.
#   ms      FFFFFA listed in GPN_FT (libfc logs into it, as with FDMI): Topology and
#           ZoningOnly byte-identical to vendor mode; fcoe-utils' fcnsq answered
#   noms    FFFFFA not listed: the activity log says why the management server cannot be
#           reached, without the 15 s retries
#   faults  MODEL with the faults of tests/vm/faults.json (busy, reject, delay): Topology
#           and ZoningOnly byte-identical to vendor mode
# and tshark decodes every frame qemu saw on the links. Prints one line per check; exits 0
# only when all hold.
#
# Usage: scripts/test-vm.sh [MODEL]
# Uses the build and staged installation of the plain suite (FABRICPROBE_VM_BUILD, default
# build/test; built and staged here when missing). Environment:
#   FABRICPROBE_VM_CACHE          the kernel package and what is taken from it
#                                 (default /var/cache/fabricprobe-vm, as root)
#   FABRICPROBE_VM_NO_MS_MESSAGE  grep -E pattern of the activity log's line saying why the
#                                 management server cannot be reached
#   FABRICPROBE_VM_ACCEL          tcg (default) or kvm
#   FABRICPROBE_VM_TIMEOUT        seconds the VM may run (default 300)
set -euo pipefail
cd "$(dirname "$0")/.."
PATH=$PATH:/usr/sbin:/sbin  # depmod and modinfo, for users whose PATH lacks them
started=$(date +%s.%N)

model=$(realpath "${1:-examples/san.json}")
build=$(realpath -m "${FABRICPROBE_VM_BUILD:-build/test}")
stage=$build/stage
fcf=$build/fabricsim/fcf/fabricsim-fcf
work=$build/vm
if [ "$(id -u)" -eq 0 ]; then SUDO=""; default_cache=/var/cache/fabricprobe-vm
else SUDO=sudo; default_cache=${XDG_CACHE_HOME:-$HOME/.cache}/fabricprobe-vm; fi
cache=${FABRICPROBE_VM_CACHE:-$default_cache}
# The one place that says which activity log line explains an unreachable management server.
no_ms_message=${FABRICPROBE_VM_NO_MS_MESSAGE:-'[Mm]anagement server.*(cannot be reached|could not be reached|not reachable|unreachable)'}
accel=${FABRICPROBE_VM_ACCEL:-tcg}
vm_timeout=${FABRICPROBE_VM_TIMEOUT:-300}
# What the VM needs of the kernel package: the NIC, FCoE and the 9p file system (their
# dependencies are added from modinfo).
vm_modules=(e1000 fcoe virtio_pci 9pnet_virtio 9p)
scenarios=(ms noms faults)
probe_args=(-servername S -serverip 192.0.2.1 -serverport 9549 -fabrics allfabrics
            -jobtimestamp 20260101000000 -discoverrequestid 1 -devicejobid 1 -debug MAX)
# The 15 s retries of an unreachable server would take at least this long.
no_retry_seconds=15

failures=0
checks=0
pass() { checks=$((checks + 1)); echo "PASS: $*"; }
fail() { checks=$((checks + 1)); failures=$((failures + 1)); echo "FAIL: $*"; }
note() { echo "test-vm: $*" >&2; }
die() { echo "test-vm: $*" >&2; exit 1; }
output_name() { echo "fabricprobe_$1_20260101000000_1_1.dat"; }

case $work in *[[:space:]]*) die "the build directory $build has blanks in its path: the VM's kernel command line cannot name it" ;; esac

ensure_build() {
  if [ ! -x "$stage/bin/fabricprobe" ] || [ ! -x "$stage/bin/fabricsim-run" ]; then
    note "no staged installation in $stage: building it"
    local fast="-O1 -g1 -DNDEBUG"  # as scripts/test.sh builds the plain suite
    [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$fast" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$fast" >/dev/null
    cmake --build "$build" -j"$(nproc)" >/dev/null
    cmake --install "$build" --prefix "$stage" >/dev/null
  fi
  cmake --build "$build" --target fabricsim-fcf >/dev/null
}

kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*\)$/\1/p' | head -1
}

# The kernel modules a module needs, as modinfo names them.
module_file() { find "$1" -name "$2.ko" -o -name "${2//_/-}.ko" | head -1; }
module_closure() { # modules-dir module...
  local dir=$1 todo=("${@:2}") seen=" " m f
  while [ ${#todo[@]} -gt 0 ]; do
    m=${todo[0]}; todo=("${todo[@]:1}")
    case $seen in *" $m "*) continue ;; esac
    seen="$seen$m "
    f=$(module_file "$dir" "$m")
    [ -n "$f" ] && todo+=($(modinfo -F depends "$f" | tr ',' ' '))
  done
  echo $seen
}

# Takes only what the VM boots from the package: the kernel and the modules it loads.
extract_kernel() { # deb dir
  local deb=$1 dir=$2 pass m missing patterns
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$dir" --wildcards './boot/vmlinuz-*' './lib/modules/*/modules.builtin' \
    './lib/modules/*/modules.order'
  for pass in 1 2 3 4 5 6; do
    missing=()
    for m in $(module_closure "$dir/lib/modules" "${vm_modules[@]}"); do
      [ -n "$(module_file "$dir/lib/modules" "$m")" ] || missing+=("$m")
    done
    [ ${#missing[@]} -eq 0 ] && break
    patterns=()
    for m in "${missing[@]}"; do patterns+=("*/$m.ko" "*/${m//_/-}.ko"); done
    dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$dir" --wildcards "${patterns[@]}" 2>/dev/null || true
  done
  [ ${#missing[@]} -eq 0 ] || die "the kernel package has no module ${missing[*]}"
}

# An uncompressed kernel boots in about half the time under TCG (qemu loads it through its
# PVH note): the xz stream after the bzImage header, once; a kernel compressed otherwise
# is booted as it is.
uncompress_kernel() {
  local vmlinuz offset
  vmlinuz=$(ls "$kernel_dir"/boot/vmlinuz-*)
  [ -s "$kernel_dir/vmlinux" ] || [ -e "$kernel_dir/vmlinux.none" ] && return
  offset=$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "$vmlinuz" | head -1 | cut -d: -f1 || true)
  if [ -n "$offset" ] && xz -dc --single-stream < <(tail -c +$((offset + 1)) "$vmlinuz") > "$kernel_dir/vmlinux.new" 2>/dev/null; then
    mv "$kernel_dir/vmlinux.new" "$kernel_dir/vmlinux"
  else
    rm -f "$kernel_dir/vmlinux.new"
    touch "$kernel_dir/vmlinux.none"
  fi
}

# Debian's current kernel package (the one linux-image-amd64 depends on), downloaded and
# unpacked once into the cache, under a lock for runs side by side; an older one there is
# replaced. Sets kernel_dir.
fetch_kernel() {
  local pkg
  pkg=$(kernel_package)
  if [ -z "$pkg" ]; then $SUDO apt-get update -q >/dev/null; pkg=$(kernel_package); fi
  [ -n "$pkg" ] || die "apt knows no linux-image-amd64: the VM has no kernel (check the apt sources)"
  kernel_dir=$cache/$pkg
  mkdir -p "$cache"
  (
    flock 9
    [ -e "$kernel_dir/ready" ] && exit 0
    note "fetching $pkg into $cache"
    rm -rf "$cache"/linux-image-*
    (cd "$cache" && apt-get download -q -o APT::Sandbox::User="$(id -un)" "$pkg" >/dev/null) ||
      die "cannot download $pkg"
    mkdir -p "$kernel_dir"
    extract_kernel "$(ls "$cache/$pkg"_*.deb)" "$kernel_dir"
    rm -f "$cache/$pkg"_*.deb
    touch "$kernel_dir/ready"
  ) 9>"$cache/lock"
  (flock 9; uncompress_kernel) 9>"$cache/lock"
}

# busybox, the modules and their dependency files, scripts/vm/init and guest.sh; not
# compressed, which the kernel unpacks faster under TCG.
make_initrd() {
  local root=$work/initrd-root kv m f applet
  kv=$(basename "$(ls -d "$kernel_dir"/lib/modules/*)")
  rm -rf "$root"
  mkdir -p "$root"/{bin,proc,sys,dev,tmp,etc,host,lib/modules/"$kv"}
  cp /bin/busybox "$root/bin/busybox"
  for applet in $("$root/bin/busybox" --list); do [ "$applet" = busybox ] || ln -s busybox "$root/bin/$applet"; done
  ln -s bin "$root/sbin"
  for m in $(module_closure "$kernel_dir/lib/modules" "${vm_modules[@]}"); do
    f=$(module_file "$kernel_dir/lib/modules" "$m")
    mkdir -p "$root/$(dirname "${f#"$kernel_dir"/}")"
    cp "$f" "$root/${f#"$kernel_dir"/}"
  done
  cp "$kernel_dir/lib/modules/$kv"/modules.{builtin,order} "$root/lib/modules/$kv/"
  depmod -b "$root" "$kv" 2>/dev/null
  install -m 0755 scripts/vm/init "$root/init"
  install -m 0755 scripts/vm/guest.sh "$root/guest.sh"
  (cd "$root" && find . | cpio -o -H newc --quiet) > "$work/initrd.cpio"
}

# A private installation: the staged probe and catalog, a stand-in agent, the directories
# the agent would create.
make_install() { # dir
  mkdir -p "$1"/{bin,log,input,output/S}
  ln -s "$stage/bin/fabricprobe" "$1/bin/fabricprobe"
  ln -s "$stage/nls" "$1/nls"
  printf '#!/bin/sh\nexit 0\n' > "$1/bin/Agent"
  chmod 0755 "$1/bin/Agent"
}

# Starts the scenario's fabric; its NICs are appended to the plan and qemu's arguments.
start_fabric() { # scenario model [option]
  local s=$1 dir=$work/$1 i nic adapter port mac address
  FABRICSIM_LOG=$dir/calls.log "$fcf" "${@:3}" --log "$dir/fcf.log" "$2" > "$dir/nics" 2> "$dir/fcf.err" &
  fabric_pids+=($!)
  for i in $(seq 100); do grep -q '^ready$' "$dir/nics" && break; kill -0 $! 2>/dev/null || break; sleep 0.1; done
  grep -q '^ready$' "$dir/nics" || die "fabricsim-fcf for $s did not start: $(cat "$dir/fcf.err")"
  while read -r _ nic _ adapter _ port _ mac _ address; do
    [ -n "$address" ] || continue
    echo "nic eth$nic_count $mac $s" >> "$work/plan"
    qemu_nics+=(-netdev "dgram,id=n$nic_count,local.type=inet,local.host=127.0.0.1,local.port=0,remote.type=inet,remote.host=${address%:*},remote.port=${address##*:}"
                -device "e1000,netdev=n$nic_count,mac=$mac,romfile="
                -object "filter-dump,id=d$nic_count,netdev=n$nic_count,file=$dir/nic$nic.pcap")
    nic_count=$((nic_count + 1))
  done < <(grep '^nic ' "$dir/nics")
}

stop_fabrics() {
  local pid
  for pid in "${fabric_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${fabric_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  fabric_pids=()
}

prepare_run() {
  rm -rf "$work"
  mkdir -p "$work"
  "$fcf" --fcoe-model "$model" > "$work/model.json" || die "the model cannot be served through fcoe"
  "$fcf" --fcoe-model "$model" --faults tests/vm/faults.json > "$work/faults-model.json" ||
    die "tests/vm/faults.json cannot be added to the model"
  local s
  for s in "${scenarios[@]}"; do mkdir -p "$work/$s"; make_install "$work/$s/vm"; make_install "$work/$s/host"; done
  nic_count=0; qemu_nics=()
  start_fabric ms "$work/model.json"
  start_fabric noms "$work/model.json" --no-management-server
  start_fabric faults "$work/faults-model.json"
  # The background run first: without its server the probe may wait out retries.
  printf '%s\n' "probe& noms Topology" "probe ms Topology" "probe ms ZoningOnly" "fcnsq ms" \
    "probe faults Topology" "probe faults ZoningOnly" >> "$work/plan"
}

scenario_model() { [ "$1" = faults ] && echo "$work/faults-model.json" || echo "$work/model.json"; }

# The same probes in vendor mode on the host, while the VM runs.
vendor_runs() {
  local s command
  for s in ms faults; do
    for command in Topology ZoningOnly; do
      FABRICSIM_LOG=$work/$s/host/calls.log "$stage/bin/fabricsim-run" "$(scenario_model $s)" -- \
        "$work/$s/host/bin/fabricprobe" -command "$command" \
        "${probe_args[@]}" > "$work/$s/host/$command.out" 2>&1 && echo 0 > "$work/$s/host/$command.rc" ||
        echo $? > "$work/$s/host/$command.rc"
    done
  done
}

boot_vm() {
  local kernel=$kernel_dir/vmlinux accel_args=(-accel tcg -cpu max) rc=0
  [ -s "$kernel" ] || kernel=$(ls "$kernel_dir"/boot/vmlinuz-*)
  [ "$accel" = kvm ] && accel_args=(-accel kvm -cpu host)
  timeout "$vm_timeout" qemu-system-x86_64 "${accel_args[@]}" -m 512 -smp 1 -nodefaults -no-user-config -nographic \
    -serial stdio -no-reboot -kernel "$kernel" -initrd "$work/initrd.cpio" \
    -append "console=ttyS0 quiet panic=-1 fabricprobe.work=$work" \
    -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap,id=hostroot \
    -virtfs "local,path=$work,mount_tag=work,security_model=none,id=work" \
    "${qemu_nics[@]}" > "$work/console.log" 2>&1 || rc=$?
  [ -e "$work/results/done" ] && return
  if ! grep -q '^vm: kernel up' "$work/console.log"; then
    die "qemu could not boot the VM (exit status $rc; $accel, kernel $kernel). Its output ends:
$(tail -15 "$work/console.log")"
  fi
  [ $rc -eq 124 ] && die "the VM did not finish its runs within $vm_timeout s; its console ($work/console.log) ends:
$(tail -15 "$work/console.log")"
  die "the VM stopped before its runs ended (qemu exit status $rc); its console ends:
$(tail -15 "$work/console.log")"
}

check_hosts() {
  local line count online
  while read -r line; do fail "VM: $line"; done < <(cat "$work/results/errors" 2>/dev/null)
  count=$(wc -l < "$work/results/hosts")
  online=$(awk '$5 == "Online"' "$work/results/hosts" | wc -l)
  if [ "$count" -eq "$nic_count" ] && [ "$online" -eq "$count" ]; then
    pass "FCoE: $count fc_hosts Online over $nic_count e1000 NICs ($(awk '{ printf "%s%s %s", (NR > 1 ? ", " : ""), $1, $4 }' "$work/results/hosts"))"
  else
    fail "FCoE: $online of $nic_count fc_hosts Online:"
    sed 's/^/    /' "$work/results/hosts"
    tail -5 "$work"/*/fcf.log | sed 's/^/    /'
  fi
}

compare_run() { # scenario command
  local name=$(output_name "$2") vm_rc host_rc
  local vm=$work/$1/vm/output/S/$name host=$work/$1/host/output/S/$name
  vm_rc=$(cat "$work/results/$1-$2.rc" 2>/dev/null || echo none)
  host_rc=$(cat "$work/$1/host/$2.rc")
  if [ ! -f "$vm" ] || [ ! -f "$host" ]; then
    fail "$1 $2: no output file from the $([ -f "$vm" ] && echo "vendor mode run" || echo VM) (return codes: VM $vm_rc, vendor mode $host_rc)"
    tail -5 "$work/results/$1-$2.out" "$work/$1/host/$2.out" 2>/dev/null | sed 's/^/    /'
  elif ! cmp -s "$vm" "$host"; then
    fail "$1 $2: the VM's output file differs from vendor mode's (diff vendor VM):"
    diff "$host" "$vm" | head -20 | sed 's/^/    /'
  elif [ "$vm_rc" != "$host_rc" ]; then
    fail "$1 $2: the same output file, but return code $vm_rc in the VM and $host_rc in vendor mode"
  else
    pass "$1 $2: the VM's output file is byte-identical to vendor mode's ($(wc -l < "$vm") lines), return code $vm_rc in both, $(cat "$work/results/$1-$2.seconds") s in the VM"
  fi
}

# The fault scenario's fabric gave the probe in the VM the answers vendor mode gave: the
# simulator's call logs list the same requests answered other than ACC, in the same order.
check_fault_answers() {
  local vm=$work/faults/calls.log host=$work/faults/host/calls.log summary
  summary=$(awk '$7 != "result=ACC" { sub(/^cmd=/, "", $5); n[$5 " " substr($0, index($0, "result=") + 7)]++ }
    END { for (k in n) printf "%s%s x%d", (c++ ? ", " : ""), k, n[k] }' "$vm" 2>/dev/null)
  if [ -s "$vm" ] && cmp -s <(awk '$7 != "result=ACC" { $1 = $2 = $4 = ""; print }' "$vm") \
                           <(awk '$7 != "result=ACC" { $1 = $2 = $4 = ""; print }' "$host") && [ -n "$summary" ]; then
    pass "faults: the same answers other than ACC in the VM as in vendor mode ($summary)"
  else
    fail "faults: the fabric in the VM answered otherwise than vendor mode (non-ACC answers: ${summary:-none}; see $vm, $host)"
  fi
}

# Without FFFFFA: the log says why, no 15 s retries, and a header-only output file.
check_no_management_server() {
  local log count seconds wanted vm
  log=$(ls "$work"/noms/vm/log/S/fabricprobe_*.log 2>/dev/null | head -1)
  count=$(grep -cE "$no_ms_message" "$log" 2>/dev/null || true)
  wanted=$(grep -c ' noms$' "$work/plan")
  if [ "${count:-0}" -eq "$wanted" ]; then
    pass "noms: the activity log says once per adapter port ($count) why the management server cannot be reached"
  else
    fail "noms: $count activity log lines match '$no_ms_message' ($wanted expected, one per adapter port); the log says:"
    grep -v AGT0426I "$log" | cut -d' ' -f3- | sed 's/^/    /'
  fi
  seconds=$(cat "$work/results/noms-Topology.seconds")
  if awk -v s="$seconds" -v limit=$no_retry_seconds 'BEGIN { exit !(s < limit) }'; then
    pass "noms: the probe ended after $seconds s in the VM, without a ${no_retry_seconds} s retry"
  else
    fail "noms: the probe took $seconds s in the VM: it waited out retries of the unreachable server"
  fi
  vm=$work/noms/vm/output/S/$(output_name Topology)
  if cmp -s "$vm" <(sed '/^\[\/Header\]$/q' "$work/ms/host/output/S/$(output_name Topology)") &&
     [ "$(cat "$work/results/noms-Topology.rc")" = 0 ]; then
    pass "noms: a header-only output file and return code 0, as for fabrics that were not probed"
  else
    fail "noms: return code $(cat "$work/results/noms-Topology.rc"), output file not the header alone ($(wc -l < "$vm" 2>/dev/null || echo no) lines)"
  fi
}

# fcoe-utils' fcnsq through the kernel's bsg: the port's own node name, and a reject.
check_fcnsq() {
  local out=$work/results/ms-fcnsq.out host id node
  read -r _ host _ id _ node < "$out"
  if grep -A1 -x -- "--gnn $id:" "$out" | grep -qix "Node Name: ${node#0x}"; then
    pass "fcnsq $host --gnn $id: node name ${node#0x}, the fc_host's own, as the model's GNN_ID answers"
  else
    fail "fcnsq $host --gnn $id: not the node name ${node#0x}:"; sed 's/^/    /' "$out"
  fi
  if grep -A1 -x -- "--gnn 0xfffff0:" "$out" | grep -q "^gnn_id command failed: "; then
    pass "fcnsq $host --gnn 0xfffff0 (no such port): $(grep -A1 -x -- "--gnn 0xfffff0:" "$out" | tail -1)"
  else
    fail "fcnsq $host --gnn 0xfffff0: no reject:"; sed 's/^/    /' "$out"
  fi
}

# tshark over every frame qemu saw on the links (FIP, FCoE, FC, FC-CT and the GS servers):
# counts per kind, and the frames it finds malformed or warns about. tshark 4.0 misreads
# GZSN answers (it takes each name right after its length byte, without FC-GS-3's three
# reserved bytes) and warns of trailing bytes: that warning on a GZSN answer is expected.
decode_frames() {
  mergecap -F pcapng -w "$work/links.pcapng" "$work"/*/nic*.pcap
  tshark -r "$work/links.pcapng" -T fields -E separator='|' -E occurrence=f -e frame.interface_id \
    -e frame.protocols -e fip.opcode -e fip.disc_subcode -e fip.ls.subcode -e fip.flags.sol -e fcoe.crc.status \
    -e fc.type -e fc.r_ctl -e fc.s_id -e fc.d_id -e fc.ox_id -e fcfzs.opcode -e _ws.expert.severity \
    -e _ws.expert.message -e _ws.malformed 2>"$work/tshark.err" | awk -F'|' '
    { frames++; key = $1 "|" $12 }
    $3 == "0x0001" && $4 == 1 { sol++ }
    $3 == "0x0001" && $4 == 2 { if ($6 == 1) adv++; else readv++ }
    $3 == "0x0002" && $5 == 1 { flogi++ }
    $3 == "0x0002" && $5 == 2 { flogiacc++ }
    $3 == "0x0003" { ka++ }
    $2 ~ /:fcoe/ { fcoe++; if ($7 == 1) crc++ }
    $8 == "0x20" && $9 == "0x02" { ctreq++; gzsn[key "|" $10 "|" $11] = ($13 == "0x0112") }
    $8 == "0x20" && $9 == "0x03" { ctrsp++ }
    $8 == "0x20" && $2 ~ /:(fcdns|fcs|fcfzs)$/ { gs++ }
    $16 != "" { malformed++ }
    $14 >= 6291456 && $16 == "" {
      if ($15 == "Trailing stray characters" && gzsn[key "|" $11 "|" $10]) known++; else { warned++; print "    frame " NR ": " $15 > "/dev/stderr" }
    }
    END { printf "%d %d %d %d %d %d %d %d %d %d %d %d %d %d %d\n", frames, malformed, warned, known, sol, adv, readv,
          flogi, flogiacc, ka, fcoe, crc, ctreq, ctrsp, gs }'
}

check_frames() {
  local frames malformed warned known sol adv readv flogi flogiacc ka fcoe crc ctreq ctrsp gs
  read -r frames malformed warned known sol adv readv flogi flogiacc ka fcoe crc ctreq ctrsp gs < <(decode_frames 2>"$work/tshark.warnings")
  if [ "${frames:-0}" -gt 0 ] && [ "$malformed" -eq 0 ] && [ "$warned" -eq 0 ]; then
    pass "tshark: $frames frames on $nic_count links decoded, none malformed, no warning but its own GZSN misreading ($known answers)"
  else
    fail "tshark: ${frames:-0} frames, $malformed malformed, $warned with warnings"
    cat "$work/tshark.warnings" "$work/tshark.err" 2>/dev/null | head -10
  fi
  if [ "$sol" -ge "$nic_count" ] && [ "$adv" -ge "$nic_count" ] && [ "$flogi" -ge "$nic_count" ] &&
     [ "$flogiacc" -eq "$flogi" ] && [ "$ka" -gt 0 ] && [ "$readv" -gt 0 ]; then
    pass "FIP: $sol solicitations, $adv solicited advertisements, $flogi FLOGIs each accepted, $ka keep-alives, $readv periodic advertisements"
  else
    fail "FIP: $sol solicitations, $adv solicited advertisements, $flogi FLOGIs, $flogiacc accepted, $ka keep-alives, $readv periodic advertisements ($nic_count NICs)"
  fi
  if [ "$fcoe" -gt 0 ] && [ "$crc" -eq "$fcoe" ]; then pass "FCoE: $fcoe frames, every CRC good"
  else fail "FCoE: $crc of $fcoe frames with a good CRC"; fi
  if [ "$ctreq" -gt 0 ] && [ "$ctrsp" -eq "$ctreq" ] && [ "$gs" -eq $((ctreq + ctrsp)) ]; then
    pass "FC-CT: $ctreq requests and $ctrsp answers, each decoded as a name, configuration or zone server frame"
  else
    fail "FC-CT: $ctreq requests, $ctrsp answers, $gs decoded as a server's frames"
  fi
}

main() {
  scripts/deps.sh vm
  ensure_build
  fetch_kernel
  fabric_pids=()
  trap stop_fabrics EXIT
  prepare_run
  make_initrd
  vendor_runs &
  local vendor=$! s command
  note "booting the VM ($nic_count NICs, $accel); its console goes to $work/console.log"
  local booted=$(date +%s.%N)
  boot_vm
  vm_seconds=$(awk -v s="$booted" -v e="$(date +%s.%N)" 'BEGIN { printf "%.0f", e - s }')
  wait $vendor
  stop_fabrics
  check_hosts
  for s in ms faults; do
    for command in Topology ZoningOnly; do compare_run "$s" "$command"; done
  done
  check_fault_answers
  check_no_management_server
  check_fcnsq
  check_frames
  echo "test-vm: $checks checks, $failures failed, in $(awk -v s="$started" -v e="$(date +%s.%N)" 'BEGIN { printf "%.0f", e - s }') s, the VM's $vm_seconds s of it (details in $work)"
  [ "$failures" -eq 0 ]
}

main
