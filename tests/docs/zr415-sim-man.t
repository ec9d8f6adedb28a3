zr415-sim(1)'s EXAMPLES, pasted as they are; the package's paths lead to this tree's programs.

  $ . "$TESTDIR/lab.sh"
  $ /opt/zr415/bin/zr415-sim() { "$PWD/bin/zr415-sim" "$@"; }
  $ export PATH="$PWD/bin:$PATH"

  $ mkdir -p /tmp/lab
  $ /opt/zr415/bin/zr415-sim --link /tmp/lab/ttyUSB0 --serial ZR415-0041 >/dev/null &
  $ /opt/zr415/bin/zr415-sim --link /tmp/lab/ttyUSB1 --baud 9600 >/dev/null &
  $ lab_wait /tmp/lab/ttyUSB0 /tmp/lab/ttyUSB1
  $ zr415ctl query /tmp/lab/ttyUSB0 /tmp/lab/ttyUSB1
  /tmp/lab/ttyUSB0  ZR415-0041  115200 baud (auto)  ok  *.?? s  GGA=OFF ZDA=OFF GST=OFF GSV=OFF GSA=OFF GLL=OFF RMC=OFF VTG=OFF GRS=OFF HDT=OFF (glob)
  /tmp/lab/ttyUSB1  ZR415-SIM-0001  9600 baud (auto)  ok  *.?? s  GGA=OFF ZDA=OFF GST=OFF GSV=OFF GSA=OFF GLL=OFF RMC=OFF VTG=OFF GRS=OFF HDT=OFF (glob)
  2 ok
