README.md's "Recording and replay", command for command; the README's blocks must match this
(check_readme.py).

  $ . "$TESTDIR/lab.sh"

  $ mkdir -p /tmp/lab
  $ bin/zr415-sim --link /tmp/lab/ttyUSB0 --rates GGA=0.2,RMC=1 >/dev/null &
  $ lab_wait /tmp/lab/ttyUSB0
  $ bin/zr415ctl monitor /tmp/lab/ttyUSB0 --rates --seconds 3 --record unit.nmea
  SENTENCE   COUNT  PERIOD              MIN GAP    MAX GAP    CHECKSUM ERRORS
  GGA +1[4-6]  0.2 s \\xc2\\xb7 [0-9.]+ Hz +[0-9.]+ s +[0-9.]+ s +0 \(esc\) (re)
  ZDA            0  -                   -          -          0
  GST            0  -                   -          -          0
  GSV            0  -                   -          -          0
  GSA            0  -                   -          -          0
  GLL            0  -                   -          -          0
  RMC +[2-4]  [0-9.]+ s \\xc2\\xb7 [0-9.]+ Hz +[0-9.]+ s +[0-9.]+ s +0 \(esc\) (re)
  VTG            0  -                   -          -          0
  GRS            0  -                   -          -          0
  HDT            0  -                   -          -          0
  /tmp/lab/ttyUSB0: \d+ lines, \d+ bytes in 3\.\d+ s (re)
  $ head -1 unit.nmea.jsonl
  {"recording":1,"baud":115200,"port":"/tmp/lab/ttyUSB0","started":"????-??-??T??:??:??.???Z"} (glob)
  $ sed -n 2p unit.nmea.jsonl
  {"at_ms":*,"offset":*} (glob)
  $ test "$(tail -1 unit.nmea.jsonl | jq .offset)" = "$(stat -c %s unit.nmea)" && echo every byte
  every byte
  $ bin/zr415ctl monitor /tmp/lab/ttyUSB0 --seconds 1 --record unit.nmea
  zr415ctl: unit.nmea exists; add --force to replace it
  [1]

  $ bin/zr415-sim --replay unit.nmea --link /tmp/lab/replay >/dev/null &
  $ lab_wait /tmp/lab/replay
  $ bin/zr415ctl monitor /tmp/lab/replay --rates --seconds 2 --json | jq -c '.rates | {GGA: .GGA.period, RMC: .RMC.period}'
  {"GGA":0\.(2|19\d|20\d),"RMC":(1|1\.00\d|0\.99\d)} (re)

  $ grep -a GGA unit.nmea > gga-only.nmea
  $ bin/zr415-sim --replay gga-only.nmea --speed 4 --loop --link /tmp/lab/fast >/dev/null &
  $ lab_wait /tmp/lab/fast
  $ bin/zr415ctl monitor /tmp/lab/fast --rates --seconds 2 --json | jq -c '.rates.GGA | {period}'
  {"period":0\.0(5|49|51)} (re)
