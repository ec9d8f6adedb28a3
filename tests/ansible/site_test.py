#!/usr/bin/env python3
"""Plays ansible/site.yml against three stations on this machine, each with its own simulated
receivers, and checks what reached the receivers (the simulators' command logs), the audit
files and Ansible's own account of each host.

Usage: site_test.py --zr415ctl PATH --sim PATH --ansible-dir DIR --work DIR
The steps run in order: each starts from the receivers' state the one before left."""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import unittest

ARGS = None
STATIONS = ("station-1", "station-2", "station-3")
UNITS_PER_STATION = 2
# Station 3's second unit is the one made to refuse.
REFUSING = ("station-3", 1)

PROFILE_A = ("setGGA=1\nsetCommandGGA=1\nsetRMC=1\nsetCommandRMC=0.5\nsbas=1\n"
             "useHdtPrefix=1\nhdtPrefix=2\n")
PROFILE_B = "setGGA=1\nsetCommandGGA=0.2\nsetRMC=1\nsetCommandRMC=1\nsbas=1\n"


def serial_of(station, unit):
    return "ZR-%s-%d" % (station[-1], unit + 1)


class Simulator(object):
    """zr415-sim on a pseudo-terminal behind a link, logging every command it receives."""

    def __init__(self, link, serial, log, extra=()):
        self.link = link
        if os.path.lexists(link):
            os.unlink(link)
        self.process = subprocess.Popen(
            [ARGS.sim, "--link", link, "--serial", serial, "--log", log] + list(extra),
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        # The simulator prints its device once the link is in place.
        if not self.process.stdout.readline():
            raise RuntimeError("zr415-sim did not start for " + link)

    def stop(self):
        self.process.terminate()
        self.process.wait(10)
        self.process.stdout.close()


class Site(object):
    """The stations' simulators, logs, audit files and inventory."""

    def __init__(self, work):
        self.work = work
        self.simulators = {}
        for station in STATIONS:
            os.makedirs(self.station_dir(station))
            for unit in range(UNITS_PER_STATION):
                self.start(station, unit)

    def station_dir(self, station):
        return os.path.join(self.work, "stations", station)

    def port(self, station, unit):
        return os.path.join(self.station_dir(station), "ttyUSB%d" % unit)

    def log(self, station, unit):
        return os.path.join(self.station_dir(station), "ttyUSB%d.commands" % unit)

    def audit(self, station):
        return os.path.join(self.station_dir(station), "provision.jsonl")

    def start(self, station, unit, extra=()):
        self.simulators[(station, unit)] = Simulator(
            self.port(station, unit), serial_of(station, unit), self.log(station, unit), extra)

    def restart(self, station, unit, extra=()):
        self.simulators.pop((station, unit)).stop()
        self.start(station, unit, extra)

    def stop_all(self):
        for simulator in self.simulators.values():
            simulator.stop()
        self.simulators = {}

    def commands(self, station, unit):
        path = self.log(station, unit)
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8", errors="replace") as log:
            return [line.rstrip("\r\n") for line in log]

    def records(self, station):
        if not os.path.exists(self.audit(station)):
            return []
        with open(self.audit(station), encoding="utf-8") as audit:
            return [json.loads(line) for line in audit if line.strip()]

    def write_inventory(self):
        environment = json.dumps({"ZR415CTL_ACK_MS": "300", "ZR415CTL_PROBE_MS": "100"})
        lines = ["[stations]"]
        for station in STATIONS:
            ports = [self.port(station, unit) for unit in range(UNITS_PER_STATION)]
            serials = dict((self.port(station, unit), serial_of(station, unit))
                           for unit in range(UNITS_PER_STATION))
            lines.append("%s zr415_ports='%s' zr415_serials='%s' zr415_audit=%s "
                         "zr415_profile_dir=%s" % (
                             station, json.dumps(ports), json.dumps(serials),
                             self.audit(station), self.station_dir(station)))
        lines += ["", "[stations:vars]", "ansible_connection=local",
                  "ansible_python_interpreter=" + sys.executable,
                  "zr415ctl_path=" + ARGS.zr415ctl, "zr415_become=false",
                  "zr415_environment='%s'" % environment, ""]
        path = os.path.join(self.work, "inventory")
        with open(path, "w", encoding="utf-8") as inventory:
            inventory.write("\n".join(lines))
        return path


class Play(object):
    """One ansible-playbook run: its exit status, output, recap and each host's module result."""

    RECAP = re.compile(r"^(\S+)\s*:\s*ok=(\d+)\s+changed=(\d+)\s+unreachable=(\d+)\s+"
                       r"failed=(\d+)", re.M)

    def __init__(self, work, inventory, name, arguments):
        tree = os.path.join(work, "tree", name)
        environment = dict(os.environ)
        environment.update(ansible_environment(work))
        environment["ANSIBLE_CALLBACK_TREE_DIR"] = tree
        completed = subprocess.run(
            ["ansible-playbook", "-i", inventory, os.path.join(ARGS.ansible_dir, "site.yml")]
            + arguments, env=environment, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
            cwd=work, timeout=120)
        self.status = completed.returncode
        self.output = completed.stdout.decode("utf-8", "replace")
        self.recap = dict((host, dict(changed=int(changed), unreachable=int(unreachable),
                                      failed=int(failed)))
                          for host, _, changed, unreachable, failed in self.RECAP.findall(
                              self.output.split("PLAY RECAP", 1)[-1]))
        # The tree keeps each host's last task result: the module's.
        self.results = {}
        for host in self.recap:
            path = os.path.join(tree, host)
            if os.path.exists(path):
                with open(path, encoding="utf-8") as result:
                    self.results[host] = json.load(result)


def ansible_environment(work):
    """Everything Ansible writes goes under the build tree."""
    home = os.path.join(work, "home")
    return {
        "HOME": home,
        "ANSIBLE_HOME": os.path.join(home, ".ansible"),
        "ANSIBLE_CONFIG": os.path.join(work, "ansible.cfg"),
        "ANSIBLE_LOCAL_TEMP": os.path.join(work, "tmp", "local"),
        "ANSIBLE_REMOTE_TEMP": os.path.join(work, "tmp", "remote"),
        "ANSIBLE_NOCOLOR": "1",
        "ANSIBLE_FORCE_COLOR": "0",
        "ANSIBLE_RETRY_FILES_ENABLED": "0",
        "ANSIBLE_CALLBACKS_ENABLED": "ansible.builtin.tree",
        "ANSIBLE_STDOUT_CALLBACK": "ansible.builtin.default",
        "TMPDIR": os.path.join(work, "tmp"),
    }


def sets(commands):
    return [command for command in commands if ",SET," in command]


class SiteTest(unittest.TestCase):
    """The steps of one site's life, in the order of their names."""

    @classmethod
    def setUpClass(cls):
        work = ARGS.work
        shutil.rmtree(work, ignore_errors=True)
        for folder in ("home", "tmp/local", "tmp/remote", "profiles"):
            os.makedirs(os.path.join(work, folder))
        with open(os.path.join(work, "ansible.cfg"), "w", encoding="utf-8") as config:
            config.write("[defaults]\n")
        cls.profiles = {}
        for name, text in (("a", PROFILE_A), ("b", PROFILE_B)):
            cls.profiles[name] = os.path.join(work, "profiles", "line-%s.ini" % name)
            with open(cls.profiles[name], "w", encoding="utf-8") as profile:
                profile.write(text)
        cls.site = Site(work)
        cls.inventory = cls.site.write_inventory()
        cls.plays = 0

    @classmethod
    def tearDownClass(cls):
        cls.site.stop_all()

    def play(self, profile, *arguments):
        SiteTest.plays += 1
        return Play(ARGS.work, self.inventory, "play-%d" % SiteTest.plays,
                    ["-e", "zr415_profile=" + self.profiles[profile]] + list(arguments))

    def all_commands(self):
        return dict(((station, unit), self.site.commands(station, unit))
                    for station in STATIONS for unit in range(UNITS_PER_STATION))

    def new_sets(self, before):
        after = self.all_commands()
        return dict((key, sets(after[key][len(before[key]):])) for key in after)

    def assertHosts(self, play, expected):
        """expected: host -> (changed, failed) as the recap counts tasks."""
        self.assertEqual(set(play.recap), set(expected), play.output)
        for host, (changed, failed) in expected.items():
            self.assertEqual((play.recap[host]["changed"], play.recap[host]["failed"]),
                             (changed, failed), host + "\n" + play.output)

    def test_0_documentation_renders(self):
        environment = dict(os.environ)
        environment.update(ansible_environment(ARGS.work))
        shown = subprocess.run(
            ["ansible-doc", "-M", os.path.join(ARGS.ansible_dir, "library"), "zr415_profile"],
            env=environment, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        text = shown.stdout.decode("utf-8", "replace")
        self.assertEqual(shown.returncode, 0, shown.stderr)
        self.assertNotIn(b"WARNING", shown.stderr)
        for part in ("EXAMPLES", "RETURN VALUES", "= profile", "= ports", "- serials",
                     "- observe", "- audit", "- zr415ctl", "- force", "- units", "- run"):
            self.assertIn(part, text)

    def test_1_first_run_changes_every_station(self):
        before = self.all_commands()
        play = self.play("a")
        self.assertEqual(play.status, 0, play.output)
        # The profile copied, and the receivers changed.
        self.assertHosts(play, dict((station, (2, 0)) for station in STATIONS))
        for key, new in self.new_sets(before).items():
            self.assertIn("#KVT,,SET,GNSS.NMEA.GGA,1", new, key)
            self.assertIn("#KVT,,SET,GNSS.NMEA.RMC,0.5", new, key)
        for station in STATIONS:
            result = play.results[station]
            self.assertTrue(result["changed"])
            self.assertEqual(sorted(unit["serial"] for unit in result["units"]),
                             [serial_of(station, unit) for unit in range(UNITS_PER_STATION)])
            self.assertEqual([unit["result"] for unit in result["units"]], ["ok", "ok"])
            # The run id returned is the one of the station's audit records.
            runs = set(record["run"] for record in self.site.records(station))
            self.assertEqual(runs, {result["run"]})

    def test_2_second_run_sends_nothing(self):
        before = self.all_commands()
        records = dict((station, len(self.site.records(station))) for station in STATIONS)
        play = self.play("a")
        self.assertEqual(play.status, 0, play.output)
        self.assertHosts(play, dict((station, (0, 0)) for station in STATIONS))
        self.assertEqual(self.new_sets(before), dict((key, []) for key in before))
        for station in STATIONS:
            self.assertEqual(len(self.site.records(station)), records[station])
            self.assertEqual(play.results[station]["applied_ports"], [])

    def test_3_force_sends_again_without_a_change(self):
        before = self.all_commands()
        play = self.play("a", "--limit", "station-1", "-e", "zr415_force=true")
        self.assertEqual(play.status, 0, play.output)
        self.assertHosts(play, {"station-1": (0, 0)})
        new = self.new_sets(before)
        for unit in range(UNITS_PER_STATION):
            self.assertIn("#KVT,,SET,GNSS.SATELLITE.TRACK.SBAS,ALL", new[("station-1", unit)])
            self.assertIn("#KVT,,SET,GNSS.NMEATALKER.HDT,GN", new[("station-1", unit)])
        self.assertEqual([sent for key, sent in new.items() if key[0] != "station-1"],
                         [[]] * (len(new) - UNITS_PER_STATION))

    def test_4_check_mode_reports_a_new_profile_and_sends_nothing(self):
        before = self.all_commands()
        records = dict((station, len(self.site.records(station))) for station in STATIONS)
        play = self.play("b", "--check", "--diff")
        self.assertEqual(play.status, 0, play.output)
        # The profile copied (needed to read it there), and the receivers would change.
        self.assertHosts(play, dict((station, (2, 0)) for station in STATIONS))
        self.assertEqual(self.new_sets(before), dict((key, []) for key in before))
        for station in STATIONS:
            self.assertTrue(play.results[station]["changed"])
            ports = [self.site.port(station, unit) for unit in range(UNITS_PER_STATION)]
            self.assertEqual(sorted(play.results[station]["changed_ports"]), ports)
            # --diff shows each unit's rates before and after, under its port and serial number.
            for unit, port in enumerate(ports):
                header = "%s (%s)" % (port, serial_of(station, unit))
                self.assertIn("--- before: " + header, play.output)
                self.assertIn("+++ after: " + header, play.output)
            self.assertIn("-GNSS.NMEA.GGA: 1\n-GNSS.NMEA.RMC: 0.5\n+GNSS.NMEA.GGA: 0.2\n"
                          "+GNSS.NMEA.RMC: 1\n", play.output)
            self.assertEqual(len(self.site.records(station)), records[station])
            for unit in play.results[station]["units"]:
                self.assertIn({"key": "GNSS.NMEA.GGA", "from": "1", "to": "0.2"},
                              unit["changes"])

    def test_5_a_refusing_unit_fails_its_station_only(self):
        self.site.restart(*REFUSING, extra=["--reject", "GGA"])
        before = self.all_commands()
        play = self.play("b")
        self.assertNotEqual(play.status, 0, play.output)
        self.assertHosts(play, {"station-1": (1, 0), "station-2": (1, 0), "station-3": (0, 1)})
        refused = play.results["station-3"]
        self.assertIn(self.site.port(*REFUSING) + " (ZR-3-2): rejected", refused["msg"])
        by_port = dict((unit["port"], unit) for unit in refused["units"])
        self.assertEqual(by_port[self.site.port(*REFUSING)]["result"], "rejected")
        self.assertEqual(by_port[self.site.port("station-3", 0)]["result"], "ok")
        new = self.new_sets(before)
        # The station's other unit was still applied.
        self.assertIn("#KVT,,SET,GNSS.NMEA.GGA,0.2", new[("station-3", 0)])

    def test_6_a_rerun_limited_to_the_fixed_station_succeeds(self):
        self.site.restart(*REFUSING)
        before = self.all_commands()
        play = self.play("b", "--limit", "station-3")
        self.assertEqual(play.status, 0, play.output)
        self.assertHosts(play, {"station-3": (1, 0)})
        after = self.all_commands()
        self.assertIn("#KVT,,SET,GNSS.NMEA.GGA,0.2", sets(after[REFUSING]))
        # Its other unit already had the profile: read, not set.
        self.assertEqual(sets(after[("station-3", 0)][len(before[("station-3", 0)]):]), [])
        for station in ("station-1", "station-2"):
            for unit in range(UNITS_PER_STATION):
                self.assertEqual(after[(station, unit)], before[(station, unit)])

    def test_7_swapped_cables_fail_their_station_and_set_nothing(self):
        swapped = {self.site.port("station-2", 0): serial_of("station-2", 1),
                   self.site.port("station-2", 1): serial_of("station-2", 0)}
        before = self.all_commands()
        play = self.play("a", "--limit", "station-2", "-e", json.dumps({"zr415_serials": swapped}))
        self.assertNotEqual(play.status, 0, play.output)
        self.assertHosts(play, {"station-2": (0, 1)})
        self.assertEqual([unit["result"] for unit in play.results["station-2"]["units"]],
                         ["unexpected-serial"] * UNITS_PER_STATION)
        self.assertEqual(self.new_sets(before), dict((key, []) for key in before))
        # Refused by the module's check step, and in the audit file like any failed unit.
        run = play.results["station-2"]["run"]
        finished = [record for record in self.site.records("station-2")
                    if record["run"] == run and record.get("phase") == "finished"]
        self.assertEqual(sorted((record["port"], record["result"]) for record in finished),
                         sorted((port, "unexpected-serial") for port in swapped))


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    for option in ("--zr415ctl", "--sim", "--ansible-dir", "--work"):
        parser.add_argument(option, required=True)
    ARGS, rest = parser.parse_known_args()
    for name in ("zr415ctl", "sim", "ansible_dir", "work"):
        setattr(ARGS, name, os.path.abspath(getattr(ARGS, name)))
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
