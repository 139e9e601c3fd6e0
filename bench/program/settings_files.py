"""Start-up and shutdown of the recorder program whatever lies where its settings file belongs.

Usage (beside a private daemon): scripts/with-pulse python3 settings_files.py PROGRAM
PROGRAM is hymnaro-recorder-driven (the program with the test driver of tests/program).
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from recorder_memory import environment

SETTINGS = ".config/Hymnaro/Audio Recorder/AudioRecorder.cfg"
HEADER = "object IniData: TIniData\r\n  FolderForRecordings = \r\n"


def continued(path, characters, size=0):
    """A value continued over lines of 64 characters; a sparse tail up to size bytes."""
    with open(path, "w", newline="") as out:
        out.write(HEADER)
        line = "    '" + "x" * 64 + "' +\r\n"
        out.write(line * (characters // 64))
        out.write("    'x'\r\nend\r\n")
    if size:
        os.truncate(path, size)


def sparse(path, size):
    open(path, "w").close()
    os.truncate(path, size)


CASES = [
    ("a named pipe", lambda p: os.mkfifo(p)),
    ("a folder", lambda p: os.mkdir(p)),
    ("a link to /dev/zero", lambda p: os.symlink("/dev/zero", p)),
    ("1 GiB with nothing in it", lambda p: sparse(p, 1 << 30)),
    ("a 1 GB value in continuation lines", lambda p: continued(p, 2 << 20, 10**9)),
    ("a value of 1 MB in continuation lines", lambda p: continued(p, 900_000)),
    ("a value of 40,000 characters", lambda p: continued(p, 40_000)),
    ("a value of 10,000 characters on its line", lambda p: open(p, "w").write(
        "object IniData: TIniData\r\n  FolderForRecordings = '" + "x" * 10_000 + "'\r\nend\r\n")),
]


def run(program, prepare, drive=None, after_ready=None):
    """Starts the program in a home of its own and ends it with SIGTERM once it is ready.

    Returns the seconds until it ended by itself or was ready (with after_ready: from the
    signal to its end), its peak KiB, its exit code, its driver's lines and its standard error.
    """
    home = tempfile.mkdtemp(prefix="hymnaro-settings.")
    try:
        settings = os.path.join(home, SETTINGS)
        os.makedirs(os.path.dirname(settings))
        prepare(settings)
        env = environment(home)
        env.pop("HYMNARO_DRIVE", None)
        if drive:
            env["HYMNARO_DRIVE"] = drive
        start = time.monotonic()
        child = subprocess.Popen([program], env=env, cwd=home, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, text=True)
        lines = []
        elapsed = None
        signalled = None
        for line in child.stdout:
            lines.append(line.rstrip("\n"))
            if line.startswith("ready"):
                elapsed = time.monotonic() - start
                if after_ready:
                    after_ready(home)
                signalled = time.monotonic()
                child.send_signal(signal.SIGTERM)
                break
        _, status, usage = os.wait4(child.pid, 0)
        if elapsed is None:
            elapsed = time.monotonic() - start
        elif after_ready:
            elapsed = time.monotonic() - signalled
        lines += [line.rstrip("\n") for line in child.stdout]
        errors = child.stderr.read()
        return elapsed, usage.ru_maxrss, os.waitstatus_to_exitcode(status), lines, errors
    finally:
        shutil.rmtree(home, ignore_errors=True)


def ordinary(path):
    with open(path, "w", newline="") as out:
        out.write("object IniData: TIniData\r\n  FolderForRecordings = '/tmp/x'\r\nend\r\n")


def main():
    program = os.path.abspath(sys.argv[1])
    base_time, base_kib, _, _, _ = run(program, ordinary)
    print(f"{'settings file':42} {'start':>8} {'peak':>10} {'time/ordinary':>14} "
          f"{'peak/ordinary':>14}  message")
    print(f"{'an ordinary file (to the window)':42} {base_time:7.2f}s {base_kib:7d} KiB "
          f"{1:14.2f} {1:14.2f}")
    worst = 0.0
    for name, prepare in CASES:
        seconds, kib, code, lines, _ = run(program, prepare)
        # The reason the reader gave, which the message box keeps in its details.
        message = next((l[8:] for l in lines if l.startswith("details ")), "")
        worst = max(worst, kib / base_kib)
        print(f"{name:42} {seconds:7.2f}s {kib:7d} KiB {seconds / base_time:14.2f} "
              f"{kib / base_kib:14.2f}  exit {code}: {message[-70:]}")
    print(f"start-up, highest peak / ordinary settings file: {worst:.2f} "
          "(goal: close to 1, nothing read whole)")

    def stop_recording(block):
        def after_ready(home):
            time.sleep(2)
            if block:
                # A file where the settings folder belongs: the save at exit fails.
                config = os.path.join(home, ".config")
                shutil.rmtree(os.path.join(config, "Hymnaro"))
                open(os.path.join(config, "Hymnaro"), "w").close()
        return after_ready

    saved, _, code_saved, _, _ = run(program, ordinary, "record", stop_recording(False))
    failed, _, code_failed, lines, errors = run(program, ordinary, "record", stop_recording(True))
    shown = [l for l in lines if l.startswith("message ")]
    print(f"shutdown by SIGTERM while recording: settings saved {saved:.2f}s (exit {code_saved}), "
          f"not saved {failed:.2f}s (exit {code_failed}); message boxes {len(shown)}")
    print(f"shutdown by SIGTERM, settings not saved / saved: {failed / saved:.2f} "
          "(goal: close to 1, no message box waits)")
    for line in errors.splitlines():
        if line.startswith("hymnaro-recorder:"):
            print(f"  standard error: {line}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
