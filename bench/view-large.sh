#!/usr/bin/env bash
# Time and peak memory of fabricprobe-view --diff, --json and --find on output
# files of more than 100,000 records (a generated Topology file, a copy with 1%
# of its ports offline and their devices gone, and a ZoningOnly file).
# Usage: bench/view-large.sh PREFIX MEASURE [WORKDIR]
#   PREFIX   an installation holding bin/fabricprobe-view
#   MEASURE  the bench-measure tool (build/<dir>/bench/bench-measure)
set -euo pipefail
prefix=$1
measure=$2
work=${3:-$(mktemp -d)}
mkdir -p "$work"
view="$prefix/bin/fabricprobe-view"

# 84 switches of 200 ports, a device on each: 6 records a port, 100,968 in all.
topology() {  # $1: every how many ports one is offline (0: none)
  awk -v off="$1" 'BEGIN {
    print "[Header]"; print "[Fabric]"; print "wwn"
    split("FabricToInterconnectElement switchWwn,fabricWwn InterconnectElement uniqueId,wwn,type,domain,logicalName,managementId,vendorID,model,releaseCode,managementSnmpAddress,managementUrlAddress,managementTelnetAddress SwitchToPort uniqueId,switchWwn SwitchPort wwn,type,portState,physicalPortNumber EndPort wwn,type,fcPortId NodeToPort nodeWwn,portWwn Node wwn,name,type,mgtUrlAddress,mgmtTelnetAddress,mgmtSnmpAddress PortToPort wwnPort1,wwnPort2", h, " ")
    for (i = 1; i <= 16; i += 2) { print "[" h[i] "]"; print h[i + 1] }
    print "[/Header]"
    F = "100000051E000001"
    print "[Fabric]"; print "\"" F "\""
    n = 0
    for (s = 1; s <= 84; s++) {
      sw = sprintf("10000005%08X", s)
      rec("FabricToInterconnectElement", "\"" sw "\",\"" F "\"")
      rec("InterconnectElement", sprintf("\"%s\",\"%s\",\"Switch\",\"%d\",\"sw-%d\",\"FFFC%02X\",\"V\",\"M\",\"R\",\"\",\"\",\"\"", sw, sw, s, s, s))
      for (p = 1; p <= 200; p++) {
        n++
        port = sprintf("2000%04X%08X", s, p); dev = sprintf("1000%04X%08X", s, p); node = sprintf("2001%04X%08X", s, p)
        offline = off > 0 && n % off == 0
        rec("SwitchToPort", "\"" port "\",\"" sw "\"")
        rec("SwitchPort", "\"" port "\",\"F_Port\",\"" (offline ? "Offline" : "Online") "\",\"" p "\"")
        if (offline) continue
        rec("PortToPort", "\"" port "\",\"" dev "\"")
        rec("Node", "\"" node "\",\"\",\"\",\"\",\"\",\"\"")
        rec("NodeToPort", "\"" node "\",\"" dev "\"")
        rec("EndPort", sprintf("\"%s\",\"N_Port\",\"%02X%02X00\"", dev, s, p % 256))
      }
    }
    print "[/Fabric]"
  }
  function rec(name, data) { print "[" name "]"; print data; print "[/" name "]" }'
}

# One zone set of 2,000 zones of 24 port members: 100,002 records.
zoning() {
  awk 'BEGIN {
    print "[Header]"; print "[Fabric]"; print "wwn"
    print "[FabricToZoneSet]"; print "uniqueId,fabricWWn"; print "[ZoneSet]"; print "uniqueId,name,active"
    print "[ZoneSetToZone]"; print "zonesetUniqueId,zoneUniqueId"; print "[Zone]"; print "uniqueId,name,type"
    print "[ZoneToMember]"; print "uniqueId,zoneUniqueId"; print "[ZoneMember]"; print "uniqueId,name,type"
    print "[/Header]"
    F = "100000051E000001"; set = F ":cfg:1"
    print "[Fabric]"; print "\"" F "\""
    rec("FabricToZoneSet", "\"" set "\",\"" F "\""); rec("ZoneSet", "\"" set "\",\"cfg\",\"TRUE\"")
    for (z = 1; z <= 2000; z++) {
      zone = F ":cfg:z" z ":1"
      rec("ZoneSetToZone", "\"" set "\",\"" zone "\""); rec("Zone", "\"" zone "\",\"z" z "\",\"None\"")
      for (m = 1; m <= 24; m++) {
        w = sprintf("1000%04X%08X", 1 + (z * 24 + m) % 84, 1 + (z * 24 + m) % 200); id = F ":" w ":PortWWN"
        rec("ZoneMember", "\"" id "\",\"" w "\",\"PortWWN\""); rec("ZoneToMember", "\"" id "\",\"" zone "\"")
      }
    }
    print "[/Fabric]"
  }
  function rec(name, data) { print "[" name "]"; print data; print "[/" name "]" }'
}

topology 0 >"$work/old.dat"
topology 100 >"$work/new.dat"
zoning >"$work/zoning.dat"
for f in old new zoning; do "$view" --check "$work/$f.dat" | tail -n 1; done

report="$work/measure.txt"
: >"$report"
run() {  # label, command...
  local label=$1
  shift
  set +e
  "$measure" -o "$report" "$@" >/dev/null
  set -e
  echo "$label: $(tail -n 1 "$report")"
}
run "check (today's reading)" "$view" --check "$work/old.dat"
run "diff text" "$view" --diff "$work/old.dat" "$work/new.dat"
run "diff json" "$view" --diff --format json "$work/old.dat" "$work/new.dat"
run "json topology" "$view" --json "$work/old.dat"
run "json zoning" "$view" --json "$work/zoning.dat"
run "find topology+zoning" "$view" --find 1000000100000005 "$work/old.dat" "$work/zoning.dat"
