#!/bin/sh
# Inside the VM (from init): brings FCoE up on every NIC of the plan, then runs each line of
# the plan through the host's own programs (its root, read-only, chrooted into), each probe
# seeing only the fc_hosts of its scenario. Results go to <work>/results.
# Plan lines (written by scripts/test-vm.sh):
#   nic <ifname> <mac> <scenario>      a NIC and the fabric emulator of its scenario
#   probe <scenario> <command>         the installed probe, <work>/<scenario>/vm as its installation
#   probe& <scenario> <command>        the same, started in the background
#   fcnsq <scenario>                   fcoe-utils' fcnsq on the scenario's first fc_host
work=$1
W=/host$work
R=$W/results
mkdir -p "$R"
up() { cut -d' ' -f1 /proc/uptime; }
say() { echo "vm $(up): $*"; }

# ifname -> fc_host (hostN), once fcoe made one on it
host_of() { basename "$(ls -d /sys/class/net/"$1"/ctlr_*/host* 2>/dev/null | head -1)"; }

start_fcoe() { # ifname mac
  if [ "$(cat /sys/class/net/"$1"/address 2>/dev/null)" != "$2" ]; then
    echo "$1 is not the NIC with MAC $2" >> "$R/errors"; return
  fi
  ip link set "$1" up
  echo "$1" > /sys/bus/fcoe/ctlr_create || { echo "fcoe ctlr_create failed on $1" >> "$R/errors"; return; }
  ctlr=$(ls -d /sys/class/net/"$1"/ctlr_* | head -1)
  echo fabric > "$ctlr/mode"
  echo 1 > "$ctlr/enabled"
}

wait_online() { # seconds
  i=0
  while [ $i -lt $(($1 * 10)) ]; do
    waiting=0
    for nic in $(awk '$1 == "nic" { print $2 }' "$W/plan"); do
      h=$(host_of "$nic")
      [ "$(cat /sys/class/fc_host/"$h"/port_state 2>/dev/null)" = Online ] || waiting=1
    done
    [ $waiting = 0 ] && return 0
    sleep 0.1; i=$((i + 1))
  done
  return 1
}

record_hosts() {
  awk '$1 == "nic" { print $2, $3, $4 }' "$W/plan" | while read -r nic mac scenario; do
    h=$(host_of "$nic"); f=/sys/class/fc_host/$h
    echo "$scenario $nic $mac ${h:-none} $(cat "$f/port_state" "$f/port_name" "$f/node_name" "$f/port_id" 2>/dev/null | tr '\n' ' ')"
  done > "$R/hosts"
}

# The chroot: the host's root with this VM's /proc, /sys, /dev, a private /tmp, and an
# /etc/hba.conf that lists only libhbalinux.
prepare_chroot() {
  for d in proc sys dev; do mount --bind "/$d" "/host/$d"; done
  mount -t tmpfs tmpfs /host/tmp
  printf 'org.open-fcoe.libhbalinux\t/usr/lib/libhbalinux.so.2\n' > /etc/hba.conf
  mount --bind /etc/hba.conf /host/etc/hba.conf
}

# Runs "$@" in the chroot in a mount namespace of its own whose /sys/class/fc_host lists
# only the scenario's fc_hosts, in plan order (libhbalinux numbers adapters in directory
# order; tmpfs lists the newest entry first).
in_scenario() { # scenario command...
  s=$1; shift
  hosts=$(awk -v s="$s" '$1 == "nic" && $4 == s { print $2 }' "$W/plan" | while read -r n; do host_of "$n"; done)
  unshare -m /bin/sh -c '
    dir=/host/sys/class/fc_host; want=$1; shift
    mount -t tmpfs fc_host "$dir" || { echo "vm: cannot mount a tmpfs over $dir"; exit 125; }
    for h in $(echo $want | tr " " "\n" | sed -n "1!G;h;\$p"); do ln -s "$(readlink -f /sys/class/fc_host/$h)" "$dir/$h"; done
    listed=$(find "$dir" -mindepth 1 -maxdepth 1 | sed "s|.*/||" | tr "\n" " ")
    [ "$listed" = "$(echo $want) " ] || { echo "vm: $dir lists \"$listed\", not \"$want\" in that order"; exit 125; }
    exec chroot /host "$@"' sh "$(echo $hosts)" "$@"
}

run_probe() { # scenario command
  inst=$work/$1/vm
  start=$(up)
  in_scenario "$1" "$inst/bin/fabricprobe" -servername S -serverip 192.0.2.1 -serverport 9549 -command "$2" \
    -fabrics allfabrics -jobtimestamp 20260101000000 -discoverrequestid 1 -devicejobid 1 -debug MAX \
    > "$R/$1-$2.out" 2>&1
  echo $? > "$R/$1-$2.rc"
  echo "$start $(up)" | awk '{ printf "%.2f\n", $2 - $1 }' > "$R/$1-$2.seconds"
  say "probe $1 $2: rc $(cat "$R/$1-$2.rc") in $(cat "$R/$1-$2.seconds") s"
}

run_fcnsq() { # scenario
  h=$(host_of "$(awk -v s="$1" '$1 == "nic" && $4 == s { print $2; exit }' "$W/plan")")
  id=$(cat /sys/class/fc_host/"$h"/port_id)
  { echo "host $h port_id $id node_name $(cat /sys/class/fc_host/"$h"/node_name)"
    echo "--gnn $id:"; chroot /host /usr/sbin/fcnsq "$h" --gnn "$id" 2>&1; echo "rc $?"
    echo "--gnn 0xfffff0:"; chroot /host /usr/sbin/fcnsq "$h" --gnn 0xfffff0 2>&1; echo "rc $?"
  } > "$R/$1-fcnsq.out"
}

awk '$1 == "nic" { print $2, $3 }' "$W/plan" | while read -r nic mac; do start_fcoe "$nic" "$mac"; done
say "FCoE enabled on $(grep -c '^nic' "$W/plan") NICs"
if wait_online 60; then say "every fc_host Online"; else say "not every fc_host came Online"; fi
record_hosts
prepare_chroot
while read -r kind a b; do
  case $kind in
    probe) run_probe "$a" "$b" ;;
    'probe&') run_probe "$a" "$b" & ;;
    fcnsq) run_fcnsq "$a" ;;
  esac
done < "$W/plan"
wait
dmesg > "$R/dmesg"
echo done > "$R/done"
