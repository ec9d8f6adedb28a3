README.md's "Commissioning report", command for command; the README's blocks must match this
(check_readme.py).

  $ . "$TESTDIR/lab.sh"

  $ mkdir -p /tmp/lab
  $ bin/zr415-sim --link /tmp/lab/ttyUSB5 --serial ZR415-0051 --rates GGA=0.2,HDT=0.2,GSA=1,GSV=1 >/dev/null &
  $ lab_wait /tmp/lab/ttyUSB5

  $ bin/zr415ctl report /tmp/lab/ttyUSB5 --seconds 5 --min-fixed 95 --max-cep95 0.05 --html report.html
  ZR415-0051 /tmp/lab/ttyUSB5: 5\.0 s, 2[4-6] epochs, RTK fixed 100\.0 %, first fix 0\.0 s, CEP95 0\.0\d\d m, heading sigma 0\.\d+ deg: passed (re)
  $ grep -c '<svg' report.html
  5

  $ head -n 40 /tmp/lab/ttyUSB5 > capture.nmea
  $ bin/zr415ctl report --from capture.nmea --max-heading-sigma 0.01 --json | jq -c '{epochs, fix: .fix["rtk-fixed"], heading: .heading.mean_deg, checks}'
  \{"epochs":\d+,"fix":\d+,"heading":\d+\.?\d*,"checks":\{"max-heading-sigma":\{"limit":0\.01,"passed":false,"value":0\.\d+\}\}\} (re)
