README.md's Ansible lab: site.yml played with ansible/lab/ against two simulators, command for
command; the README's blocks must match this (check_readme.py).

  $ . "$TESTDIR/lab.sh"
  $ cp -r "$ZR415_SOURCE/ansible" ..
  $ export LC_ALL=C.UTF-8 ANSIBLE_HOME="$CRAMTMP/ansible-home" ANSIBLE_LOCAL_TEMP="$CRAMTMP/ansible-home/tmp" ANSIBLE_REMOTE_TEMP="$CRAMTMP/ansible-home/tmp" ANSIBLE_NOCOLOR=1

  $ mkdir -p /tmp/lab/profiles
  $ bin/zr415-sim --link /tmp/lab/ttyUSB0 --serial ZR415-0051 >/dev/null &
  $ bin/zr415-sim --link /tmp/lab/ttyUSB1 --serial ZR415-0052 >/dev/null &
  $ lab_wait /tmp/lab/ttyUSB0 /tmp/lab/ttyUSB1
  $ cd ../ansible/lab
  $ ansible-playbook ../site.yml --check --diff
  
  PLAY [ZR415 receivers of the stations] *****************************************
  
  TASK [The station's profile folder] ********************************************
  ok: [station-1]
  ok: [station-2]
  
  TASK [Put the profile on the station] ******************************************
  changed: [station-1]
  ok: [station-2]
  
  TASK [Bring the receivers to the profile] **************************************
  --- before: /tmp/lab/ttyUSB0 (ZR415-0051)
  +++ after: /tmp/lab/ttyUSB0 (ZR415-0051)
  @@ -1,3 +1,3 @@
  -GNSS.NMEA.GGA: OFF
  -GNSS.NMEA.GSV: OFF
  -GNSS.NMEA.RMC: OFF
  +GNSS.NMEA.GGA: 1
  +GNSS.NMEA.GSV: 5
  +GNSS.NMEA.RMC: 1
  
  changed: [station-1]
  --- before: /tmp/lab/ttyUSB1 (ZR415-0052)
  +++ after: /tmp/lab/ttyUSB1 (ZR415-0052)
  @@ -1,3 +1,3 @@
  -GNSS.NMEA.GGA: OFF
  -GNSS.NMEA.GSV: OFF
  -GNSS.NMEA.RMC: OFF
  +GNSS.NMEA.GGA: 1
  +GNSS.NMEA.GSV: 5
  +GNSS.NMEA.RMC: 1
  
  changed: [station-2]
  
  PLAY RECAP *********************************************************************
  station-1                  : ok=3    changed=2    unreachable=0    failed=0    skipped=0    rescued=0    ignored=0* (glob)
  station-2                  : ok=3    changed=1    unreachable=0    failed=0    skipped=0    rescued=0    ignored=0* (glob)
  
  $ ansible-playbook ../site.yml
  
  PLAY [ZR415 receivers of the stations] *****************************************
  
  TASK [The station's profile folder] ********************************************
  ok: [station-1]
  ok: [station-2]
  
  TASK [Put the profile on the station] ******************************************
  ok: [station-1]
  ok: [station-2]
  
  TASK [Bring the receivers to the profile] **************************************
  changed: [station-1]
  changed: [station-2]
  
  PLAY RECAP *********************************************************************
  station-1                  : ok=3    changed=1    unreachable=0    failed=0    skipped=0    rescued=0    ignored=0* (glob)
  station-2                  : ok=3    changed=1    unreachable=0    failed=0    skipped=0    rescued=0    ignored=0* (glob)
  
  $ ansible-playbook ../site.yml
  
  PLAY [ZR415 receivers of the stations] *****************************************
  
  TASK [The station's profile folder] ********************************************
  ok: [station-1]
  ok: [station-2]
  
  TASK [Put the profile on the station] ******************************************
  ok: [station-1]
  ok: [station-2]
  
  TASK [Bring the receivers to the profile] **************************************
  ok: [station-1]
  ok: [station-2]
  
  PLAY RECAP *********************************************************************
  station-1                  : ok=3    changed=0    unreachable=0    failed=0    skipped=0    rescued=0    ignored=0* (glob)
  station-2                  : ok=3    changed=0    unreachable=0    failed=0    skipped=0    rescued=0    ignored=0* (glob)
  
  $ ansible-playbook ../site.yml --limit station-2 -e '{"zr415_serials": {"/tmp/lab/ttyUSB1": "ZR415-0051"}}'
  
  PLAY [ZR415 receivers of the stations] *****************************************
  
  TASK [The station's profile folder] ********************************************
  ok: [station-2]
  
  TASK [Put the profile on the station] ******************************************
  ok: [station-2]
  
  TASK [Bring the receivers to the profile] **************************************
  fatal: [station-2]: FAILED! => {"applied_ports": ["/tmp/lab/ttyUSB1"], "changed": false, "changed_ports": [], "check_run": "*", "msg": "units not ok: /tmp/lab/ttyUSB1 (ZR415-0052): unexpected-serial - serial number is not ZR415-0051, which is bound to this port; nothing was set", "run": "*", "stderr": "", "stderr_lines": [], "summary": {"changed": 0, "command": "apply", "failed": 1, "ok": 0, "recorded": 1, "run": "*", "units": 1, "would_change": 0}, "units": [{"ack_only": [], "applied": [], "bad_checksums": 0, "baud": 115200, "baud_searched": true, "changed": false, "command": "apply", "error": "serial number is not ZR415-0051, which is bound to this port; nothing was set", "ignored_keys": [], "in_flight": null, "mismatches": [], "port": "/tmp/lab/ttyUSB1", "reason_code": "unexpected-serial", "recorded": true, "rejected": [], "result": "unexpected-serial", "seconds": *, "sent": ["#KVT,,GET,DEVICE.INFO.SN"], "sent_sets": [], "serial": "ZR415-0052", "sets_sent": 0, "time": "*", "unanswered": [], "verified": false}]} (glob)
  
  PLAY RECAP *********************************************************************
  station-2                  : ok=2    changed=0    unreachable=0    failed=1    skipped=0    rescued=0    ignored=0* (glob)
  
  [2]
  $ ../../build/bin/zr415ctl audit /tmp/lab/provision.jsonl --failed
  /tmp/lab/ttyUSB1  ZR415-0052  unexpected-serial  ????-??-??T??:??:??.???Z  serial number is not ZR415-0051, which is bound to this port; nothing was set (glob)
