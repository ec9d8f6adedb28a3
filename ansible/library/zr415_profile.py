#!/usr/bin/python3
# -*- coding: utf-8 -*-
# Brings the ZR415 receivers on a station's ports to a profile, through zr415ctl.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: zr415_profile
short_description: Bring ZR415 receivers to a settings profile with zr415ctl
description:
  - Applies a ZR415 profile (a settings file as the window's save button writes it) to the
    receivers on the given serial ports of the managed host, by running C(zr415ctl).
  - First runs C(zr415ctl apply PROFILE PORT... --check --json), which sends no SET and reads
    each unit's output rates. Then runs C(zr415ctl apply --json) only on the units where a rate
    would change or the profile clears the stored satellite data (an action, so such a unit is
    changed on every run), or on every unit with I(force). A second run of an unchanged profile
    therefore sends nothing.
  - The SBAS switch and the HDT talker prefix cannot be read back from a receiver. They are sent
    only together with a change, or with I(force); a receiver whose SBAS or talker was changed
    by hand while its rates still match is not corrected without I(force). Neither ever counts
    as a change.
  - In check mode only C(apply --check) runs (without I(observe)), no SET is sent and no audit
    record is written; C(changed) tells whether a unit would change, and C(changed_ports) which.
  - With C(--diff), each unit changed (in check mode, that would change) shows its rates before
    and after, one line per key.
  - A unit the check step cannot read (no receiver, another serial number, a port that cannot be
    opened, ...) is handed to C(zr415ctl apply) all the same outside check mode, so that its
    failure is in the audit file like any failed unit's; C(zr415ctl) sends no SET to a unit that
    does not show the serial number bound to its port.
  - A unit that does not end C(ok) (no receiver, another serial number, a refused or unanswered
    setting, a read-back or observed rate that differs, ...) fails the task; the other units of
    the same run are still applied, as C(zr415ctl) does.
  - Every applying run appends records to zr415ctl's audit file, written before the first SET.
version_added: "1.0.0"
author:
  - ZR415 maintainers
options:
  profile:
    description:
      - Path on the managed host of the profile to apply.
      - A profile zr415ctl refuses (a rate not in the list, a key given twice, ...) fails the
        task before anything is sent.
    type: path
    required: true
  ports:
    description:
      - The serial ports of the receivers, as paths (C(/dev/ttyUSB0)) or names under C(/dev)
        (C(ttyUSB0)). The same device under two names is refused.
    type: list
    elements: str
    required: true
  serials:
    description:
      - Serial number each port must show, port -> serial number, passed to zr415ctl as
        C(--expect-serial PORT=SN). A unit on a bound port that shows another number ends
        C(unexpected-serial), is sent nothing, and fails the task; swapped cables are caught.
      - A binding for a port not in I(ports) is left alone.
    type: dict
    default: {}
  observe:
    description:
      - After applying, listen this many seconds to each applied unit and compare every rate set
        with what arrives (zr415ctl C(--observe)). At least 3, and three periods of the slowest
        rate set. Not used in check mode, nor for units that needed no change.
    type: int
  audit:
    description:
      - The audit file zr415ctl appends its records to (C(--audit)). Default is zr415ctl's own,
        C(provision.jsonl) in its log folder.
    type: path
  zr415ctl:
    description:
      - The zr415ctl program, a path or a name looked up on the C(PATH) and in C(/opt/zr415/bin).
    type: path
    default: zr415ctl
  force:
    description:
      - Apply to every unit even when no rate would change, which also sends the SBAS switch and
        the HDT talker. C(changed) still tells only whether a rate changed or data was cleared.
    type: bool
    default: false
notes:
  - Needs zr415ctl with C(--json) summaries, C(--expect-serial PORT=SN) and C("changed") in
    C(apply) results. Without C("changed"), the module takes the changes C(apply --check)
    reported for that unit.
  - The user running the module needs access to the serial ports (group C(dialout)).
  - C(ZR415CTL_ACK_MS) and C(ZR415CTL_PROBE_MS) in the task's environment shorten zr415ctl's waits.
"""

EXAMPLES = r"""
- name: Bring the station's receivers to the line profile
  zr415_profile:
    profile: /var/lib/zr415/line3.ini
    ports:
      - /dev/serial/by-id/usb-hub-port1
      - /dev/serial/by-id/usb-hub-port2
    serials:
      /dev/serial/by-id/usb-hub-port1: ZR415-0041
      /dev/serial/by-id/usb-hub-port2: ZR415-0042
    observe: 5
  register: receivers

- name: Send SBAS and the talker again even though every rate matches
  zr415_profile:
    profile: /var/lib/zr415/line3.ini
    ports: [ttyUSB0]
    force: true

- name: Show which units a new profile would change, sending nothing
  zr415_profile:
    profile: /var/lib/zr415/line4.ini
    ports: "{{ zr415_ports }}"
  check_mode: true
"""

RETURN = r"""
changed:
  description: True when a unit changed (in check mode, would change).
  returned: always
  type: bool
run:
  description: Run id of the last zr415ctl run (the apply, else the check); the C(run) of its
    audit records.
  returned: when zr415ctl ran
  type: str
  sample: 8430ec5a-3644-46b0-b778-45a3c842465d
check_run:
  description: Run id of the C(apply --check) run.
  returned: when zr415ctl ran
  type: str
units:
  description:
    - Every unit's JSON line as zr415ctl wrote it, one per port; from the apply run for the units
      applied, else from the check.
    - Keys include C(port), C(serial), C(result), C(reason_code), C(changes), C(changed),
      C(applied), C(mismatches) and C(error).
  returned: when zr415ctl ran
  type: list
  elements: dict
changed_ports:
  description: The ports of the units changed; in check mode, of the units that would change.
  returned: always
  type: list
  elements: str
diff:
  description: Per unit changed (or that would change), C(before) and C(after) with a line
    per key, the key then its rate, and headers naming the port and serial number. Shown by
    C(--diff).
  returned: with --diff, when a unit changed or would change
  type: list
  elements: dict
applied_ports:
  description: The ports zr415ctl apply ran on (none in check mode).
  returned: always
  type: list
  elements: str
summary:
  description: The summary object of the last run (C(run), C(command), C(units), C(ok),
    C(changed), C(failed), C(recorded), C(would_change)).
  returned: when zr415ctl wrote one
  type: dict
stderr:
  description: What zr415ctl wrote on standard error (warnings such as an audit fallback).
  returned: always
  type: str
"""

import json
import os

from ansible.module_utils.basic import AnsibleModule

# Settings a receiver cannot be asked about: sent along, never a change.
UNREADABLE_KEYS = (
    "GNSS.SATELLITE.TRACK.SBAS",
    "GNSS.SATELLITE.UNTRACK.SBAS",
    "GNSS.NMEATALKER.HDT",
)
# zr415ctl's exit status for a usage or profile error: nothing was sent.
USAGE_ERROR = 2


def parse_json_lines(text):
    """Unit lines and the summary object from zr415ctl --json output.

    Lines that are not a JSON object are skipped and counted, so one stray line cannot hide
    the others."""
    units = []
    summary = None
    skipped = 0
    for line in text.splitlines():
        line = line.strip()
        if not line:
            continue
        try:
            value = json.loads(line)
        except ValueError:
            skipped += 1
            continue
        if not isinstance(value, dict):
            skipped += 1
        elif isinstance(value.get("summary"), dict):
            summary = value["summary"]
        else:
            units.append(value)
    return units, summary, skipped


def would_change(unit):
    """Whether a unit read by apply --check needs the profile sent."""
    if unit.get("changed") is True:
        return True
    for change in unit.get("changes") or []:
        if isinstance(change, dict) and change.get("key") not in UNREADABLE_KEYS:
            return True
    return False


def unit_changed(unit, checked):
    """Whether an applied unit changed; its check line answers for an older zr415ctl."""
    if "changed" in unit:
        return unit.get("changed") is True
    return checked is not None and would_change(checked)


def unit_diff(unit):
    """Before and after of the keys a unit changes, as Ansible's --diff shows them."""
    before = []
    after = []
    for change in unit.get("changes") or []:
        if not isinstance(change, dict) or change.get("key") in UNREADABLE_KEYS:
            continue
        if change.get("from") == change.get("to"):
            continue
        before.append("%s: %s\n" % (change.get("key"), change.get("from")))
        after.append("%s: %s\n" % (change.get("key"), change.get("to")))
    header = "%s (%s)" % (unit.get("port", "?"), unit.get("serial") or "no serial number")
    return dict(before_header=header, after_header=header, before="".join(before),
                after="".join(after))


def unit_ok(unit):
    return unit.get("result") == "ok"


def unit_recorded(unit):
    return unit.get("recorded") is not False


def unit_failed(unit):
    """Not ok, or applied without its audit record: a change with no true record."""
    return not unit_ok(unit) or not unit_recorded(unit)


def describe_failure(unit):
    """One unit not ok, as an operator reads it in the task's message."""
    text = "%s (%s): %s" % (unit.get("port", "?"), unit.get("serial") or "no serial number",
                            unit.get("result", "no result"))
    if unit.get("reason_code") and unit.get("reason_code") != unit.get("result"):
        text += " [%s]" % unit["reason_code"]
    details = [unit["error"]] if unit.get("error") else []
    if not unit_recorded(unit):
        details.append("its audit record could not be written")
    for field, label in (("rejected", "refused"), ("unanswered", "unanswered"),
                         ("mismatches", "differs")):
        items = unit.get(field) or []
        if items:
            details.append("%s: %s" % (label, ", ".join(
                item.get("key", json.dumps(item)) if isinstance(item, dict) else str(item)
                for item in items)))
    return text + (" - " + "; ".join(details) if details else "")


class Zr415Ctl(object):
    """Runs zr415ctl apply and reads its JSON lines."""

    def __init__(self, module, program):
        self.module = module
        self.program = program
        self.stderr = []

    def apply(self, profile, ports, extra):
        args = [self.program, "apply", profile] + list(ports) + ["--json"] + extra
        rc, out, err = self.module.run_command(
            args, expand_user_and_vars=False, errors="surrogate_or_replace")
        if err:
            self.stderr.append(err)
        units, summary, skipped = parse_json_lines(out)
        if skipped:
            self.stderr.append("zr415ctl wrote %d line(s) that are not JSON objects\n" % skipped)
        # A usage or profile error sends nothing; a signal may have stopped units part-way.
        if rc == USAGE_ERROR or rc >= 128 or rc < 0:
            self.fail("zr415ctl stopped with status %d: %s" % (rc, err.strip() or out.strip()),
                      rc=rc, cmd=args, units=units, summary=summary)
        if not units:
            self.fail("zr415ctl wrote no unit result (status %d): %s"
                      % (rc, err.strip() or out.strip()), rc=rc, cmd=args)
        return units, summary

    def fail(self, msg, **extra):
        self.module.fail_json(msg=msg, stderr="".join(self.stderr), **extra)


def find_program(module, name):
    if "/" in name:
        if not os.access(name, os.X_OK):
            module.fail_json(msg="zr415ctl not found or not executable: %s" % name)
        return name
    return module.get_bin_path(name, required=True, opt_dirs=["/opt/zr415/bin"])


def main():
    module = AnsibleModule(
        argument_spec=dict(
            profile=dict(type="path", required=True),
            ports=dict(type="list", elements="str", required=True),
            serials=dict(type="dict", default={}),
            observe=dict(type="int"),
            audit=dict(type="path"),
            zr415ctl=dict(type="path", default="zr415ctl"),
            force=dict(type="bool", default=False),
        ),
        supports_check_mode=True,
    )
    params = module.params
    ports = [port for port in params["ports"] if port]
    if not ports:
        module.fail_json(msg="ports: at least one port is needed")
    if params["observe"] is not None and params["observe"] < 0:
        module.fail_json(msg="observe: seconds cannot be negative")
    program = find_program(module, params["zr415ctl"])
    ctl = Zr415Ctl(module, program)

    bindings = []
    for port, serial in sorted(params["serials"].items()):
        if not port or serial is None or str(serial) == "":
            module.fail_json(msg="serials: port %r needs a serial number" % port)
        bindings += ["--expect-serial", "%s=%s" % (port, serial)]

    checked, check_summary = ctl.apply(params["profile"], ports, ["--check"] + bindings)
    check_run = (check_summary or {}).get("run")
    result = dict(changed=False, check_run=check_run, run=check_run, units=checked,
                  applied_ports=[], changed_ports=[], summary=check_summary)

    check_failed = [unit for unit in checked if unit_failed(unit)]
    failed = list(check_failed)
    to_apply = [unit for unit in checked
                if isinstance(unit.get("port"), str) and unit_ok(unit)
                and (params["force"] or would_change(unit))]
    changed_units = []

    if module.check_mode:
        changed_units = [unit for unit in checked if unit_ok(unit) and would_change(unit)]
    else:
        # A unit the check could not read goes to apply too: its failure is then recorded.
        to_apply += [unit for unit in check_failed if isinstance(unit.get("port"), str)]
    if to_apply and not module.check_mode:
        extra = list(bindings)
        if params["audit"]:
            extra += ["--audit", params["audit"]]
        if params["observe"] is not None:
            extra += ["--observe", str(params["observe"])]
        # The ports as zr415ctl resolved them, so each applied unit is the one checked.
        applied_ports = [unit["port"] for unit in to_apply]
        applied, apply_summary = ctl.apply(params["profile"], applied_ports, extra)
        check_of = dict((unit.get("port"), unit) for unit in checked)
        applied_of = dict((unit.get("port"), unit) for unit in applied)
        units = [applied_of.get(unit.get("port"), unit) for unit in checked]
        units += [unit for unit in applied if unit.get("port") not in check_of]
        changed_units = [unit for unit in applied
                         if unit_changed(unit, check_of.get(unit.get("port")))]
        result.update(
            units=units, applied_ports=applied_ports, summary=apply_summary,
            run=(apply_summary or {}).get("run", check_run))
        # The apply's account replaces the check's for the units it ran on.
        failed = [unit for unit in check_failed if unit.get("port") not in applied_of]
        failed += [unit for unit in applied if unit_failed(unit)]
        missing = [port for port in applied_ports if port not in applied_of]
        if missing:
            ctl.fail("zr415ctl gave no result for %s" % ", ".join(missing), **result)

    result["changed"] = bool(changed_units)
    result["changed_ports"] = [unit.get("port") for unit in changed_units]
    if module._diff and changed_units:
        result["diff"] = [unit_diff(unit) for unit in changed_units]
    result["stderr"] = "".join(ctl.stderr)
    if failed:
        module.fail_json(msg="units not ok: " + "; ".join(describe_failure(u) for u in failed),
                         **result)
    module.exit_json(**result)


if __name__ == "__main__":
    main()
