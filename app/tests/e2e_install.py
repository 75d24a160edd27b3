#!/usr/bin/env python3
"""End-to-end cases of the install step, run like e2e.py (same arguments,
same server and station helpers): packages that are refused or cannot be
placed leave install as it was, stay in the station directory and are named
in the run log; the next package of the run is installed as usual.

  e2e_install.py --exe PATH [--emulator WINE_RUN] [--frontend EXE] CASE
"""
import os
import struct
import sys
import zipfile

import e2e
from e2e_harness import cases_of, check
from e2e_server import add_packages, package_files
from e2e_station import expect_one_update, package_log


def corrupt_last_item(path):
    """Rewrites the package stored and flips one byte of its last item's data."""
    files = package_files(os.path.basename(path)[:-4])
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
        for name, text in files.items():
            z.writestr(name, text)
    with open(path, "rb") as f:
        data = bytearray(f.read())
    last = data.rfind(b"\x50\x4b\x03\x04")
    name_length, extra_length = struct.unpack_from("<HH", data, last + 26)
    data[last + 30 + name_length + extra_length] ^= 0x01
    with open(path, "wb") as f:
        f.write(data)
    return list(files)[-1]


def copy_log(line, *after):
    """The log of a run whose copy of 5.10.0023.zip logged line."""
    name = "5.10.0023.zip"
    return (["START", "START DOWLOAD: " + name, "END DOWLOAD: " + name, "START COPY: " + name,
             line, "END COPY: " + name] + list(after) + ["END"])


# The other reasons to refuse a package and the items a package may hold are
# rows of install_whole_test and install_accepts_test; here one run per
# outcome: refused, failed, and mended by the next run.
def case_corrupt_package(s):
    folder = add_packages(s.tree, "5_1", ["5.10.0023"])
    item = corrupt_last_item(os.path.join(folder, "5.10.0023.zip"))
    add_packages(s.tree, "5_2", ["5.20.0001"])
    s.station_files()
    os.makedirs(os.path.join(s.data, "install"))
    with open(os.path.join(s.data, "install", "keep.txt"), "w") as f:
        f.write("keep")
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    want = copy_log("COPY REFUSED: 5.10.0023.zip (%s: CRC-32 mismatch)" % item,
                    *package_log("5.20.0001.zip"))
    check(s.log_messages() == want, "log %s" % s.log_messages())
    got = s.installed()
    check(got.pop("keep.txt", None) == "keep", "keep.txt changed")
    check(got == package_files("5.20.0001"), "installed tree %s" % sorted(got))
    check(os.path.exists(os.path.join(s.station, "5.10.0023.zip")), "refused package deleted")


def case_no_data_directory(s):
    add_packages(s.tree, "5_1", ["5.10.0023"])
    s.station_files()
    with open(os.path.join(s.station, "station.ini"), "w", newline="\r\n") as f:
        f.write("[STATIONINFO]\n")
    code, _ = s.run()
    check(code == 0, "exit code %d" % code)
    want = copy_log("COPY FAILED: 5.10.0023.zip (no data directory)")
    check(s.log_messages() == want, "log %s" % s.log_messages())
    names = sorted(os.listdir(s.station))
    check(names == ["5.10.0023.zip", "TalCheckLog.txt", "frontend.exe", "station.ini"],
          "station directory %s" % names)


def case_good_after_refused(s):
    # A refused package is replaced by the next run's download and installed.
    path = os.path.join(add_packages(s.tree, "5_1", ["5.10.0023"]), "5.10.0023.zip")
    good = open(path, "rb").read()
    corrupt_last_item(path)
    s.station_files()
    s.run()
    with open(path, "wb") as f:
        f.write(good)
    code, _ = s.run()
    expect_one_update(s, code)


if __name__ == "__main__":
    sys.exit(e2e.main(cases_of(globals())))
