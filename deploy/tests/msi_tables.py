#!/usr/bin/env python3
"""The MSI read with msitools, no Wine: the programs' components and file
versions, the ARP properties, the rollback actions and every table readable.

  msi_tables.py ARGUMENTS tables   (the arguments as msi_harness.py says)

Exits 77 (skipped) without wixl, msitools or osslsigncode."""
import sys

from msi_harness import PROGRAMS, main, quiet
from e2e_harness import check


def table(msi, name):
    """The rows of one table as msiinfo exports it, by column name."""
    code, out = quiet(["msiinfo", "export", msi, name])
    check(code == 0, "msiinfo export %s: %s" % (name, out))
    lines = out.splitlines()
    return [dict(zip(lines[0].split("\t"), line.split("\t"))) for line in lines[3:] if line]


def case_tables(r):
    msi = r.path("new.msi")
    r.build_msi("new", r.a.version)
    code, names = quiet(["msiinfo", "tables", msi])
    check(code == 0, "msiinfo tables: %s" % names)
    for name in names.split():
        table(msi, name)  # every table reads
    program_files_are(msi, r.a.version)
    props = {p["Property"]: p["Value"] for p in table(msi, "Property")}
    icons = [i["Name"] for i in table(msi, "Icon")]
    check(props.get("ARPNOMODIFY") == "1" and props.get("ARPPRODUCTICON") in icons and
          props.get("ARPCOMMENTS") and props.get("Manufacturer") == "TalCheck",
          "ARP properties %s, icons %s" % (props, icons))
    task_actions_roll_back(msi)


def program_files_are(msi, version):
    """Each program the KeyPath of a component of its own, with its version."""
    files = {f["FileName"]: f for f in table(msi, "File")}
    check(sorted(files) == sorted(PROGRAMS), "files %s" % sorted(files))
    components = {c["Component"]: c for c in table(msi, "Component")}
    for name, f in files.items():
        check(components[f["Component_"]]["KeyPath"] == f["File"], "%s is no KeyPath" % name)
    check(len({f["Component_"] for f in files.values()}) == len(PROGRAMS), "shared component")
    release = version + ".0"
    want = {"TalCheck.exe": "0.0.0.0", "talcheck-audit.exe": release, "talcheck-task.exe": release}
    got = {name: f["Version"] for name, f in files.items()}
    check(got == want, "file versions %s" % got)


def task_actions_roll_back(msi):
    """Each task action has a rollback, scheduled just before it, as SYSTEM."""
    actions = {a["Action"]: int(a["Type"]) for a in table(msi, "CustomAction")}
    sequence = {s["Action"]: s for s in table(msi, "InstallExecuteSequence")}
    for action in ("RegisterTask", "RemoveTask"):
        rollback, step = sequence[action + "Rollback"], sequence[action]
        check(actions[action + "Rollback"] & 0xD00 == 0xD00 and
              int(rollback["Sequence"]) == int(step["Sequence"]) - 1 and
              rollback["Condition"] == step["Condition"], "no rollback for %s" % action)


if __name__ == "__main__":
    sys.exit(main({"tables": case_tables}))
