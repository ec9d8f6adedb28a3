README.md's walkthrough of zr415ctl against four simulators, command for command; the README's
blocks must match this (check_readme.py).

  $ . "$TESTDIR/lab.sh"

  $ mkdir -p /tmp/lab
  $ bin/zr415-sim --link /tmp/lab/ttyUSB0 --serial ZR415-0041 >/dev/null &
  $ bin/zr415-sim --link /tmp/lab/ttyUSB1 --serial ZR415-0042 --rates GGA=1 --sticky GGA >/dev/null &
  $ bin/zr415-sim --link /tmp/lab/ttyUSB2 --serial ZR415-0043 --baud 9600 >/dev/null &
  $ bin/zr415-sim --link /tmp/lab/ttyS4 --serial OTHER >/dev/null &
  $ export ZR415_EXTRA_PORTS=/tmp/lab/ttyUSB0:/tmp/lab/ttyUSB1:/tmp/lab/ttyUSB2:/tmp/lab/ttyS4
  $ lab_wait /tmp/lab/ttyUSB0 /tmp/lab/ttyUSB1 /tmp/lab/ttyUSB2 /tmp/lab/ttyS4

  $ bin/zr415ctl query /tmp/lab/ttyUSB0
  /tmp/lab/ttyUSB0  ZR415-0041  115200 baud (auto)  ok  *.?? s  GGA=OFF ZDA=OFF GST=OFF GSV=OFF GSA=OFF GLL=OFF RMC=OFF VTG=OFF GRS=OFF HDT=OFF (glob)
  1 ok

  $ bin/zr415ctl apply ../docs/examples/line3.ini $(bin/zr415ctl ports --json | jq -r '.[] | select(.path | test("/tty(USB|ACM)")) | .path') --parallel 1
  /tmp/lab/ttyUSB0  ZR415-0041  115200 baud (auto)  ok  *.?? s  changes: GNSS.NMEA.GGA OFF -> 1, GNSS.NMEA.GSV OFF -> 5, GNSS.NMEA.RMC OFF -> 1; acknowledged, no read-back exists: GNSS.SATELLITE.TRACK.SBAS, GNSS.NMEATALKER.HDT (glob)
  /tmp/lab/ttyUSB1  ZR415-0042  115200 baud (auto)  ok  *.?? s  changes: GNSS.NMEA.GSV OFF -> 5, GNSS.NMEA.RMC OFF -> 1; acknowledged, no read-back exists: GNSS.SATELLITE.TRACK.SBAS, GNSS.NMEATALKER.HDT (glob)
  /tmp/lab/ttyUSB2  ZR415-0043  9600 baud (auto)  ok  *.?? s  changes: GNSS.NMEA.GGA OFF -> 1, GNSS.NMEA.GSV OFF -> 5, GNSS.NMEA.RMC OFF -> 1; acknowledged, no read-back exists: GNSS.SATELLITE.TRACK.SBAS, GNSS.NMEATALKER.HDT (glob)
  3 ok

  $ jq -r 'select(.phase == "finished") | [.time, .serial, .port, .baud, .result, .profile_sha256[0:12]] | @tsv' log/provision.jsonl
  ????-??-??T??:??:??.???Z\\tZR415-0041\\t/tmp/lab/ttyUSB0\\t115200\\tok\\t3df5d07af6ea (esc) (glob)
  ????-??-??T??:??:??.???Z\\tZR415-0042\\t/tmp/lab/ttyUSB1\\t115200\\tok\\t3df5d07af6ea (esc) (glob)
  ????-??-??T??:??:??.???Z\\tZR415-0043\\t/tmp/lab/ttyUSB2\\t9600\\tok\\t3df5d07af6ea (esc) (glob)
  $ jq -s 'map(select(.phase == "finished")) | group_by(.result) | map({(.[0].result): length}) | add' log/provision.jsonl
  {
    "ok": 3
  }

  $ bin/zr415ctl monitor /tmp/lab/ttyUSB0 --rates --seconds 3
  SENTENCE   COUNT  PERIOD              MIN GAP    MAX GAP    CHECKSUM ERRORS
  GGA +[2-4]  (1|1\.00\d|0\.99\d) s \\xc2\\xb7 (1|1\.00\d|0\.99\d) Hz +[0-9.]+ s +[0-9.]+ s +0 \(esc\) (re)
  ZDA            0  -                   -          -          0
  GST            0  -                   -          -          0
  GSV +\d+  -                   -          -          0 (re)
  GSA            0  -                   -          -          0
  GLL            0  -                   -          -          0
  RMC +[2-4]  (1|1\.00\d|0\.99\d) s \\xc2\\xb7 (1|1\.00\d|0\.99\d) Hz +[0-9.]+ s +[0-9.]+ s +0 \(esc\) (re)
  VTG            0  -                   -          -          0
  GRS            0  -                   -          -          0
  HDT            0  -                   -          -          0
  /tmp/lab/ttyUSB0: \d+ lines, \d+ bytes in 3\.\d+ s (re)

  $ bin/zr415ctl apply ../docs/examples/line4.ini /tmp/lab/ttyUSB0 /tmp/lab/ttyUSB1 --observe 3 --no-verify --parallel 1
  /tmp/lab/ttyUSB0  ZR415-0041  115200 baud (auto)  ok  *.?? s  changes: GNSS.NMEA.GGA 1 -> 0.2; acknowledged, no read-back exists: GNSS.SATELLITE.UNTRACK.SBAS (glob)
  /tmp/lab/ttyUSB1  ZR415-0042  115200 baud (auto)  mismatch  *.?? s  changes: GNSS.NMEA.GGA 1 -> 0.2; applied: #KVT,,SET,GNSS.NMEA.GGA,0.2, #KVT,,SET,GNSS.NMEA.ZDA,OFF, #KVT,,SET,GNSS.NMEA.GST,OFF, #KVT,,SET,GNSS.NMEA.GSA,OFF, #KVT,,SET,GNSS.NMEA.GLL,OFF, #KVT,,SET,GNSS.NMEA.RMC,1, #KVT,,SET,GNSS.NMEA.VTG,OFF, #KVT,,SET,GNSS.NMEA.GRS,OFF, #KVT,,SET,GNSS.NMEA.HDT,OFF, #KVT,,SET,GNSS.SATELLITE.UNTRACK.SBAS,ALL; GNSS.NMEA.GGA wanted 0.2, arrives every * s; acknowledged, no read-back exists: GNSS.SATELLITE.UNTRACK.SBAS (glob)
  1 ok, 1 mismatch
  [1]
  $ bin/zr415ctl audit --failed
  /tmp/lab/ttyUSB1  ZR415-0042  mismatch  ????-??-??T??:??:??.???Z (glob)

  $ bin/zr415ctl apply ../docs/examples/line4.ini /tmp/lab/ttyUSB0 /tmp/lab/ttyUSB2 --check --parallel 1
  /tmp/lab/ttyUSB0  ZR415-0041  115200 baud (auto)  ok  *.?? s  no rate would change; cannot be read, would be sent: GNSS.SATELLITE.UNTRACK.SBAS (glob)
  /tmp/lab/ttyUSB2  ZR415-0043  9600 baud (auto)  ok  *.?? s  would change: GNSS.NMEA.GGA 1 -> 0.2; cannot be read, would be sent: GNSS.SATELLITE.UNTRACK.SBAS (glob)
  2 ok
  [3]

  $ bin/zr415ctl query /tmp/lab/ttyUSB2 --profile model.ini
  /tmp/lab/ttyUSB2  ZR415-0043  9600 baud (auto)  ok  *.?? s  GGA=1 ZDA=OFF GST=OFF GSV=5 GSA=OFF GLL=OFF RMC=1 VTG=OFF GRS=OFF HDT=OFF (glob)
  1 ok
  zr415ctl: profile written to model.ini; SBAS, the HDT talker and the clear order cannot be read from a unit, so it holds the window's defaults for them (sbas=0: applying it switches SBAS off)
  $ bin/zr415ctl apply model.ini /tmp/lab/ttyUSB0 /tmp/lab/ttyUSB1 --parallel 1
  /tmp/lab/ttyUSB0  ZR415-0041  9600 baud (auto)  ok  *.?? s  changes: GNSS.NMEA.GGA 0.2 -> 1; acknowledged, no read-back exists: GNSS.SATELLITE.UNTRACK.SBAS (glob)
  /tmp/lab/ttyUSB1  ZR415-0042  9600 baud (auto)  ok  *.?? s  no rate changed; acknowledged, no read-back exists: GNSS.SATELLITE.UNTRACK.SBAS (glob)
  2 ok

  $ bin/zr415ctl set /tmp/lab/ttyUSB0 GSA=0.5 GSV=0.5 HDT=0.5
  /tmp/lab/ttyUSB0  ZR415-0041  115200 baud (auto)  ok  *.?? s (glob)
  1 ok
  $ bin/zr415ctl monitor /tmp/lab/ttyUSB0 --status --seconds 2
  \d{4}-\d\d-\d\dT[\d:.]+Z  fix RTK fixed 3D, 31\.23\d+\\xc2\\xb0 N, 121\.47\d+\\xc2\\xb0 E, satellites \d+/\d+, HDOP \d+\.\d\d, heading \d+\.\d\d\\xc2\\xb0 \(esc\) (re)
  \d{4}-\d\d-\d\dT[\d:.]+Z  fix RTK fixed 3D, 31\.23\d+\\xc2\\xb0 N, 121\.47\d+\\xc2\\xb0 E, satellites \d+/\d+, HDOP \d+\.\d\d, heading \d+\.\d\d\\xc2\\xb0 \(esc\) (re)
  $ bin/zr415ctl monitor /tmp/lab/ttyUSB0 --status --json --seconds 1 | head -5
  \{"class":"VERSION","release":"[\d.]+","rev":"zr415ctl [\d.]+","proto_major":3,"proto_minor":14\}(\\r \(esc\))? (re)
  \{"class":"DEVICES","devices":\[\{"class":"DEVICE","path":"/tmp/lab/ttyUSB0","driver":"NMEA0183","activated":"[\d:.TZ-]+","flags":1,"native":0,"bps":115200,"parity":"N","stopbits":1\}\]\}(\\r \(esc\))? (re)
  \{"class":"TPV","device":"/tmp/lab/ttyUSB0","mode":3,"status":3,"time":"[\d:.TZ-]+","ept":0\.005,"lat":31\.23\d+,"lon":121\.47\d+,"alt":12\.\d+,"altMSL":12\.\d+,"altHAE":21\.\d+,"geoidSep":8\.765,"speed":[\d.]+,"track":[\d.]+,"dgpsAge":[\d.]+,"dgpsSta":0\}(\\r \(esc\))? (re)
  \{"class":"SKY","device":"/tmp/lab/ttyUSB0","hdop":[\d.]+,"pdop":[\d.]+,"vdop":[\d.]+,"nSat":\d+,"uSat":\d+,"satellites":\[(\{"PRN":\d+,"gnssid":\d,"svid":\d+,"el":\d+,"az":\d+,"ss":\d+,"used":(true|false)\},?)+\]\}(\\r \(esc\))? (re)
  \{"class":"ATT","device":"/tmp/lab/ttyUSB0","heading":\d+\.\d\d\}(\\r \(esc\))? (re)

  $ bin/zr415-sim --link /tmp/lab/ttyUSB3 --serial ZR415-0044 --no-ack >/dev/null &
  $ lab_wait /tmp/lab/ttyUSB3
  $ timeout --foreground -s KILL 3 bin/zr415ctl apply ../docs/examples/line3.ini /tmp/lab/ttyUSB0 /tmp/lab/ttyUSB3 /tmp/lab/ttyUSB1 --parallel 1
  /tmp/lab/ttyUSB0  ZR415-0041  115200 baud (auto)  ok  *.?? s  changes: GNSS.NMEA.GSV 0.5 -> 5, GNSS.NMEA.GSA 0.5 -> OFF, GNSS.NMEA.HDT 0.5 -> OFF; acknowledged, no read-back exists: GNSS.SATELLITE.TRACK.SBAS, GNSS.NMEATALKER.HDT (glob)
  [137]
  $ bin/zr415ctl audit --unfinished
  /tmp/lab/ttyUSB3  ZR415-0044  unfinished: changing, a SET went out  ????-??-??T??:??:??.???Z (glob)
  /tmp/lab/ttyUSB1  -  unfinished: not started  ????-??-??T??:??:??.???Z (glob)
  $ kill $!
  $ bin/zr415-sim --link /tmp/lab/ttyUSB3 --serial ZR415-0044 >/dev/null &
  $ lab_wait /tmp/lab/ttyUSB3
  $ bin/zr415ctl audit --unfinished --ports | xargs bin/zr415ctl apply ../docs/examples/line3.ini --parallel 1
  /tmp/lab/ttyUSB3  ZR415-0044  115200 baud (auto)  ok  *.?? s  changes: GNSS.NMEA.GGA OFF -> 1, GNSS.NMEA.GSV OFF -> 5, GNSS.NMEA.RMC OFF -> 1; acknowledged, no read-back exists: GNSS.SATELLITE.TRACK.SBAS, GNSS.NMEATALKER.HDT (glob)
  /tmp/lab/ttyUSB1  ZR415-0042  115200 baud (auto)  ok  *.?? s  no rate changed; acknowledged, no read-back exists: GNSS.SATELLITE.TRACK.SBAS, GNSS.NMEATALKER.HDT (glob)
  2 ok
  $ bin/zr415ctl audit --unfinished
