#!/usr/bin/env python3
"""zr415ctl monitor --status --json as gpsd's own Python client reads it: every object arrives,
one TPV per receiver epoch, and each field means what gpsd means by it.

Usage: gpsd_client_test.py --zr415ctl PATH"""

import argparse
import os
import subprocess
import sys
import tempfile
import unittest

import gps

ZR415CTL = None


def nmea(body):
    checksum = 0
    for c in body.encode():
        checksum ^= c
    return ("$%s*%02X\r\n" % (body, checksum)).encode()


# Four epochs a quarter of a second apart across midnight, climbing 0.5 m each. The first has no
# GSV: no SKY may come before the sky is known.
TIMES = [("235959.500", "311226"), ("235959.750", "311226"), ("000000.000", "010127"),
         ("000000.250", "010127")]


def epoch(index):
    time, date = TIMES[index]
    lines = [
        # Quality 3: a PPS fix; corrections 1.5 s old from station 0123.
        "GNGGA,%s,3114.878902,N,12135.244198,E,3,10,0.9,%.2f,M,8.10,M,1.5,0123"
        % (time, 12.3 + 0.5 * index),
        "GNRMC,%s,A,3114.878902,N,12135.244198,E,10.0,45.5,%s,,,D" % (time, date),
        # GPS 5 and 7 and SBAS 46 (PRN 133) in NMEA 4.10's GPS list; GLONASS 70.
        "GNGSA,A,3,05,07,46,,,,,,,,,,1.6,0.9,1.3,1",
        "GNGSA,A,3,70,,,,,,,,,,,,1.6,0.9,1.3,2",
        "GNGST,%s,0.5,0.02,0.01,45.0,0.030,0.040,0.050" % time,
    ]
    if index > 0:
        lines += ["GPGSV,1,1,04,05,40,083,46,07,17,308,,46,35,150,40,09,10,200,30",
                  "GLGSV,1,1,01,70,20,100,38"]
    return b"".join(nmea(line) for line in lines)


def run_monitor():
    """The objects zr415ctl printed for the four epochs, written to a file as gpspipe would."""
    master, slave = os.openpty()
    monitor = subprocess.Popen([ZR415CTL, "monitor", os.ttyname(slave), "--status", "--json",
                                "--seconds", "2"], stdout=subprocess.PIPE)
    # Its greeting says the port is open and emptied: what comes next is read.
    first = monitor.stdout.readline()
    for index in range(len(TIMES)):
        os.write(master, epoch(index))
    rest = monitor.stdout.read()  # what readline buffered, then the rest
    monitor.wait(timeout=30)
    device = os.ttyname(slave)
    os.close(master)
    os.close(slave)
    handle, path = tempfile.mkstemp(suffix=".json")
    os.write(handle, first + rest)
    os.close(handle)
    return path, monitor.returncode, device


class GpsdClientReadsStatus(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.path, cls.code, cls.device = run_monitor()
        cls.reports = []  # (class, the client's view of it)
        session = gps.gps(input_file_name=cls.path)
        cls.lines = 0
        while True:
            session.valid = 0
            if session.read() == -1:
                break
            cls.lines += 1
            if session.valid & gps.PACKET_SET:
                data = dict(session.data)
                fix = {name: getattr(session.fix, name) for name in (
                    "mode", "status", "time", "latitude", "longitude", "altHAE", "altMSL",
                    "speed", "track", "climb", "epx", "epy", "epv", "ept")}
                sky = [(s.PRN, s.ss, s.used) for s in getattr(session, "satellites", [])]
                cls.reports.append((data["class"], data, fix, sky,
                                    getattr(session, "satellites_used", None)))
        os.remove(cls.path)

    def classes(self):
        return [report[0] for report in self.reports]

    def tpvs(self):
        return [report for report in self.reports if report[0] == "TPV"]

    def test_every_line_is_an_object_the_client_takes(self):
        self.assertEqual(self.code, 0)
        self.assertEqual(len(self.reports), self.lines)
        self.assertEqual(self.classes()[:2], ["VERSION", "DEVICES"])
        self.assertEqual(self.reports[0][1]["proto_major"], 3)
        self.assertEqual(self.reports[1][1]["devices"][0]["path"], self.device)
        self.assertTrue(all(report[1]["device"] == self.device
                            for report in self.reports if report[0] in ("TPV", "SKY")))

    def test_one_tpv_per_epoch_and_no_sky_before_gsv(self):
        self.assertEqual(self.classes().count("TPV"), len(TIMES))
        self.assertEqual(self.classes()[2:4], ["TPV", "TPV"])
        self.assertIn("SKY", self.classes())

    def test_time_to_the_millisecond_across_midnight(self):
        self.assertEqual([fix["time"] for _, _, fix, _, _ in self.tpvs()],
                         ["2026-12-31T23:59:59.500Z", "2026-12-31T23:59:59.750Z",
                          "2027-01-01T00:00:00.000Z", "2027-01-01T00:00:00.250Z"])

    def test_fix_fields_mean_what_gpsd_means(self):
        _, data, fix, _, _ = self.tpvs()[-1]
        self.assertEqual(fix["mode"], 3)
        self.assertEqual(fix["status"], 9)  # gpsd's STATUS_PPS_FIX
        self.assertAlmostEqual(fix["latitude"], 31.2479817, places=6)
        self.assertAlmostEqual(fix["longitude"], 121.5874033, places=6)
        self.assertAlmostEqual(fix["altMSL"], 13.8, places=3)
        # Height above the ellipsoid: above sea level plus the geoid's separation.
        self.assertAlmostEqual(fix["altHAE"], 13.8 + 8.1, places=3)
        self.assertAlmostEqual(data["geoidSep"], 8.1, places=3)
        self.assertAlmostEqual(fix["speed"], 10.0 * 1852 / 3600, places=3)  # m/s, not knots
        self.assertAlmostEqual(fix["track"], 45.5, places=2)
        self.assertAlmostEqual(fix["climb"], 2.0, places=3)  # 0.5 m in 0.25 s
        self.assertAlmostEqual(fix["epx"], 0.040, places=3)  # GST's longitude sigma
        self.assertAlmostEqual(fix["epy"], 0.030, places=3)
        self.assertAlmostEqual(data["eph"], 0.050, places=3)
        self.assertAlmostEqual(fix["epv"], 0.050, places=3)
        self.assertAlmostEqual(fix["ept"], 0.005, places=3)
        self.assertAlmostEqual(data["dgpsAge"], 1.5, places=1)
        self.assertEqual(data["dgpsSta"], 123)

    def test_sky_counts_sbas_in_the_gps_list_and_tells_untracked(self):
        skies = [report for report in self.reports if report[0] == "SKY"]
        _, data, _, satellites, used = skies[-1]
        self.assertEqual(sorted(satellites),
                         [(5, 46, True), (7, 0, True), (9, 30, False), (70, 38, True),
                          (133, 40, True)])
        self.assertEqual(used, 4)
        self.assertEqual(data["uSat"], 4)
        self.assertAlmostEqual(data["hdop"], 0.9, places=2)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--zr415ctl", required=True)
    arguments, rest = parser.parse_known_args()
    ZR415CTL = arguments.zr415ctl
    unittest.main(argv=[sys.argv[0]] + rest)
