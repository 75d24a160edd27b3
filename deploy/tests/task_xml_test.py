#!/usr/bin/env python3
"""The shipped Task Scheduler definition (windows/TalCheck-task.xml): it is
well-formed, keeps to the task schema's elements and value forms, and fits
the run.

  task_xml_test.py task_xml
"""
import argparse
import os
import re
import sys
import types
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "app",
                                "tests"))
from e2e_harness import check, run_case  # noqa: E402

DEPLOY = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TASK_NS = "{http://schemas.microsoft.com/windows/2004/02/mit/task}"
DURATION = re.compile(r"^P(?=\d|T\d)(\d+Y)?(\d+M)?(\d+D)?(T(?=\d)(\d+H)?(\d+M)?(\d+S)?)?$")
DATE_TIME = re.compile(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d$")
# Children the task schema (version 1.2) allows, for the elements used here.
SCHEMA = {
    "Task": {"RegistrationInfo", "Triggers", "Settings", "Data", "Principals", "Actions"},
    "RegistrationInfo": {"URI", "SecurityDescriptor", "Source", "Date", "Author", "Version",
                         "Description", "Documentation"},
    "Triggers": {"BootTrigger", "RegistrationTrigger", "IdleTrigger", "TimeTrigger",
                 "EventTrigger", "LogonTrigger", "SessionStateChangeTrigger", "CalendarTrigger"},
    "LogonTrigger": {"StartBoundary", "EndBoundary", "Enabled", "Repetition",
                     "ExecutionTimeLimit", "UserId", "Delay"},
    "CalendarTrigger": {"StartBoundary", "EndBoundary", "Enabled", "Repetition",
                        "ExecutionTimeLimit", "RandomDelay", "ScheduleByDay", "ScheduleByWeek",
                        "ScheduleByMonth", "ScheduleByMonthDayOfWeek"},
    "ScheduleByDay": {"DaysInterval"},
    "Principals": {"Principal"},
    "Principal": {"UserId", "LogonType", "GroupId", "DisplayName", "RunLevel",
                  "ProcessTokenSidType", "RequiredPrivileges"},
    "Settings": {"AllowStartOnDemand", "RestartOnFailure", "MultipleInstancesPolicy",
                 "DisallowStartIfOnBatteries", "StopIfGoingOnBatteries", "AllowHardTerminate",
                 "StartWhenAvailable", "NetworkProfileName", "RunOnlyIfNetworkAvailable",
                 "WakeToRun", "Enabled", "Hidden", "DeleteExpiredTaskAfter", "IdleSettings",
                 "NetworkSettings", "ExecutionTimeLimit", "Priority", "RunOnlyIfIdle"},
    "IdleSettings": {"Duration", "WaitTimeout", "StopOnIdleEnd", "RestartOnIdle"},
    "Actions": {"Exec", "ComHandler", "SendEmail", "ShowMessage"},
    "Exec": {"Command", "Arguments", "WorkingDirectory"},
}
BOOLEANS = {"Enabled", "AllowStartOnDemand", "DisallowStartIfOnBatteries", "StopIfGoingOnBatteries",
            "StartWhenAvailable", "RunOnlyIfNetworkAvailable", "Hidden", "StopOnIdleEnd",
            "RestartOnIdle", "WakeToRun", "AllowHardTerminate", "RunOnlyIfIdle"}
DURATIONS = {"Delay", "ExecutionTimeLimit", "Duration", "WaitTimeout", "RandomDelay"}
DATE_TIMES = {"StartBoundary", "EndBoundary"}
RUN_BOUND_HOURS = 9  # a run ends within this on its own


def check_schema(element):
    name = element.tag.replace(TASK_NS, "")
    check(element.tag.startswith(TASK_NS), "element %s outside the task namespace" % element.tag)
    allowed = SCHEMA.get(name)
    for child in element:
        child_name = child.tag.replace(TASK_NS, "")
        check(allowed is not None and child_name in allowed,
              "%s is no child of %s in the task schema" % (child_name, name))
        check_schema(child)
    text = (element.text or "").strip()
    if name in BOOLEANS:
        check(text in ("true", "false"), "%s: %r is no boolean" % (name, text))
    if name in DURATIONS:
        check(DURATION.match(text), "%s: %r is no duration" % (name, text))
    if name in DATE_TIMES:
        check(DATE_TIME.match(text), "%s: %r is no local date and time" % (name, text))


def hours(duration):
    """Hours of a duration without years or months."""
    m = DURATION.match(duration)
    check(m and not m.group(1) and not m.group(2), "duration %s" % duration)
    days, h, mins, secs = (int(g[:-1]) if g else 0 for g in m.group(3, 5, 6, 7))
    return days * 24 + h + mins / 60 + secs / 3600


def case_task_xml():
    path = os.path.join(DEPLOY, "windows", "TalCheck-task.xml")
    root = ET.parse(path).getroot()  # raises on a file that is not well-formed
    check(root.tag == TASK_NS + "Task", "root element %s" % root.tag)
    check(root.get("version") in ("1.2", "1.3", "1.4"), "task version %s" % root.get("version"))
    check_schema(root)

    def one(path_):
        found = root.findall("/".join(TASK_NS + part for part in path_.split("/")))
        check(len(found) == 1, "%d elements %s" % (len(found), path_))
        return found[0]

    for trigger in ("Triggers/LogonTrigger", "Triggers/CalendarTrigger"):
        check(one(trigger + "/Enabled").text == "true", "%s is disabled" % trigger)
    check(one("Triggers/CalendarTrigger/ScheduleByDay/DaysInterval").text == "1", "not daily")
    check(hours(one("Triggers/CalendarTrigger/RandomDelay").text) >= 1, "no random delay")
    principal = one("Principals/Principal")
    actions = one("Actions")
    check(actions.get("Context") == principal.get("id"), "the actions run as no principal")
    check(one("Settings/MultipleInstancesPolicy").text == "IgnoreNew", "a second run may start")
    limit = hours(one("Settings/ExecutionTimeLimit").text)
    check(limit >= RUN_BOUND_HOURS, "time limit %s h below the run's own bound" % limit)
    check(0 <= int(one("Settings/Priority").text) <= 10, "priority out of range")
    check(not root.findall(".//" + TASK_NS + "Arguments"), "arguments in front of the program")
    with open(path) as f:
        check("powershell" not in f.read().lower(), "PowerShell named")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=["task_xml"])
    parser.parse_args()
    sys.exit(run_case("task_xml", types.SimpleNamespace(close=lambda: None), case_task_xml))
