#!/usr/bin/env bash
# Makes the inputs of this example from the published Sioux Falls files (TNTP):
#   examples/siouxfalls/make.sh BUILD_DIR [TNTP_DIR]
# BUILD_DIR holds veltra-tntp, SATNET and SATALL (a Release build: cmake --build BUILD_DIR
# --target veltra-tntp veltra-saturn). TNTP_DIR defaults to ../shared/data/siouxfalls.
#  1. veltra-tntp --signals: every node a junction (signals where three or more roads meet),
#     every link a simulation link; the TNTP lengths are free-flow minutes, taken as
#     kilometres (60 km/h free speed).
#  2. The node list regrouped into three TRANSYT networks by the nodes' latitude (south,
#     centre, north), numbered within each network from south to north.
#  3. The starting listing siouxfalls.lpa: the network assigned by SATNET and SATALL with the
#     starting timings (90 s, two equal stages).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
tntp=${2:-$here/../../../shared/data/siouxfalls}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$build/veltra-tntp" --signals --net "$tntp/SiouxFalls_net.tntp" --trips "$tntp/SiouxFalls_trips.tntp" \
  --nodes "$tntp/SiouxFalls_node.tntp" --length-unit km --out siouxfalls
# The converter lists the signals from south to north; seven per network, the rest in the third.
awk '{ i = NR - 1; net = int(i / 7) + 1; if (net > 3) net = 3; n[net]++; printf "%d %d %d\n", $1, n[net], net }' \
  siouxfalls_nodos.txt > nodos.txt
"$build/SATNET" siouxfalls
"$build/SATALL" siouxfalls siouxfalls
cp siouxfalls.dat siouxfalls.csv siouxfalls.lpa nodos.txt "$here/"
echo "written: $here/siouxfalls.dat siouxfalls.csv siouxfalls.lpa nodos.txt"
