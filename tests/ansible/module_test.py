#!/usr/bin/env python3
"""The zr415_profile module's reading of zr415ctl's JSON lines and of what would change.

Usage: module_test.py --library DIR"""

import argparse
import os
import runpy
import sys
import types
import unittest

module = None

SUMMARY = '{"summary":{"run":"r-1","command":"apply","units":1,"ok":1}}'


class ParseJsonLines(unittest.TestCase):
    def test_rows(self):
        rows = [
            # (what zr415ctl wrote, ports of the units, summary's run, lines skipped)
            ('{"port":"/dev/a"}\n' + SUMMARY + "\n", ["/dev/a"], "r-1", 0),
            ('\n  \n{"port":"/dev/a"}\r\n{"port":"/dev/b"}', ["/dev/a", "/dev/b"], None, 0),
            ('warning: no JSON\n{"port":"/dev/a"}\n[1,2]\n"text"\n{"port":', ["/dev/a"], None, 4),
            ('{"summary":"not an object","port":"/dev/a"}', ["/dev/a"], None, 0),
            ("", [], None, 0),
        ]
        for text, ports, run, skipped in rows:
            units, summary, count = module.parse_json_lines(text)
            self.assertEqual([unit["port"] for unit in units], ports, text)
            self.assertEqual((summary or {}).get("run"), run, text)
            self.assertEqual(count, skipped, text)


def change(key, before="OFF", after="1"):
    return {"key": key, "from": before, "to": after}


class WouldChange(unittest.TestCase):
    def test_rows(self):
        rows = [
            ({"changes": []}, False),
            ({}, False),
            ({"changes": [change("GNSS.SATELLITE.TRACK.SBAS", "unknown", "ALL"),
                          change("GNSS.SATELLITE.UNTRACK.SBAS", "unknown", "ALL"),
                          change("GNSS.NMEATALKER.HDT", "unknown", "GN")]}, False),
            ({"changes": [change("GNSS.NMEA.GGA")]}, True),
            # A rate that could not be read is sent.
            ({"changes": [change("GNSS.NMEA.GGA", "unknown")]}, True),
            # Clearing the stored satellite data acts every time.
            ({"changes": [change("GNSS.CLEAN_SATELLITE", "unknown", "")]}, True),
            ({"changes": [], "changed": True}, True),
        ]
        for unit, expected in rows:
            self.assertEqual(module.would_change(unit), expected, unit)


class UnitChanged(unittest.TestCase):
    def test_rows(self):
        rate = {"changes": [change("GNSS.NMEA.GGA")]}
        rows = [
            # zr415ctl's own word wins over the check.
            ({"changed": False}, rate, False),
            ({"changed": True}, {"changes": []}, True),
            # An older zr415ctl without "changed": the check answers.
            ({}, rate, True),
            ({}, {"changes": []}, False),
            ({}, None, False),
        ]
        for applied, checked, expected in rows:
            self.assertEqual(module.unit_changed(applied, checked), expected, (applied, checked))


class UnitDiff(unittest.TestCase):
    def test_rows(self):
        rows = [
            # (changes, before, after): only the keys a unit reads and changes.
            ([change("GNSS.NMEA.GGA", "1", "0.2"), change("GNSS.NMEA.RMC", "0.5", "0.5")],
             "GNSS.NMEA.GGA: 1\n", "GNSS.NMEA.GGA: 0.2\n"),
            ([change("GNSS.SATELLITE.TRACK.SBAS", "unknown", "ALL"),
              change("GNSS.NMEA.GGA", "unknown", "5")],
             "GNSS.NMEA.GGA: unknown\n", "GNSS.NMEA.GGA: 5\n"),
            ([], "", ""),
        ]
        for changes, before, after in rows:
            diff = module.unit_diff({"port": "/dev/a", "serial": "SN-1", "changes": changes})
            self.assertEqual((diff["before"], diff["after"]), (before, after), changes)
            self.assertEqual(diff["before_header"], "/dev/a (SN-1)")


class UnitFailed(unittest.TestCase):
    def test_rows(self):
        rows = [
            ({"result": "ok"}, False),
            ({"result": "ok", "recorded": True}, False),
            # Changed, but the audit file does not say so.
            ({"result": "ok", "recorded": False}, True),
            ({"result": "rejected", "recorded": True}, True),
            ({"result": "no-device"}, True),
            ({}, True),
        ]
        for unit, expected in rows:
            self.assertEqual(module.unit_failed(unit), expected, unit)


class DescribeFailure(unittest.TestCase):
    def test_names_port_serial_result_and_keys(self):
        text = module.describe_failure({
            "port": "/dev/a", "serial": "SN-1", "result": "rejected", "reason_code": "refused",
            "error": None, "rejected": ["GNSS.NMEA.GGA"], "unanswered": [],
            "mismatches": [{"key": "GNSS.NMEA.RMC", "wanted": "1", "got": "OFF"}]})
        self.assertEqual(text, "/dev/a (SN-1): rejected [refused] - refused: GNSS.NMEA.GGA; "
                               "differs: GNSS.NMEA.RMC")

    def test_a_unit_without_a_receiver(self):
        text = module.describe_failure({"port": "/dev/a", "serial": None, "result": "no-device",
                                        "reason_code": "no-answer", "error": "no answer"})
        self.assertEqual(text, "/dev/a (no serial number): no-device [no-answer] - no answer")

    def test_a_unit_without_its_record(self):
        text = module.describe_failure({"port": "/dev/a", "serial": "SN-1", "result": "ok",
                                        "reason_code": None, "recorded": False})
        self.assertEqual(text, "/dev/a (SN-1): ok - its audit record could not be written")


def main():
    global module
    parser = argparse.ArgumentParser()
    parser.add_argument("--library", required=True)
    arguments, rest = parser.parse_known_args()
    path = os.path.join(arguments.library, "zr415_profile.py")
    # Loaded under its own name, so its main() does not run.
    module = types.SimpleNamespace(**runpy.run_path(path, run_name="zr415_profile"))
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
