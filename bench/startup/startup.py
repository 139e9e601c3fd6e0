"""Time from start to an exposed main window: the recorder against a bare Qt Widgets window.

Usage (beside a private daemon): scripts/with-pulse python3 startup.py BIN_FOLDER [ROUNDS]
BIN_FOLDER holds hymnaro-recorder-startup and hymnaro_bare_window. Both run on one X display
(a private Xvfb when DISPLAY is not set), each start in a fresh home; the rounds alternate the
two programs and the figure is the median of the rounds' ratios. HYMNARO_BENCH_BEFORE may
name another build of hymnaro-recorder-startup (an earlier commit's), timed in the same rounds.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "program"))
from recorder_memory import environment  # noqa: E402

WARM_UP = 2


def start_display():
    """A private Xvfb; answers the process and the display name."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-nolisten", "tcp",
                               "-screen", "0", "1280x1024x24"], pass_fds=[write],
                              stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as answer:
        number = answer.readline().strip()
    if not number:
        server.kill()
        sys.exit("Xvfb did not start")
    return server, ":" + number


def time_to_exposed(command, display):
    """Seconds from starting the command until it reports its window exposed, and the size."""
    home = tempfile.mkdtemp(prefix="hymnaro-startup.")
    try:
        env = environment(home)
        # The system's ALSA configuration, as on a desktop: its default device is the sound
        # server's while one runs.
        for name in ("HYMNARO_DRIVE", "WAYLAND_DISPLAY", "ALSA_CONFIG_PATH"):
            env.pop(name, None)
        env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb")
        started = time.monotonic()
        child = subprocess.Popen(command, env=env, cwd=home, stdout=subprocess.PIPE, text=True)
        line = child.stdout.readline()
        elapsed = time.monotonic() - started
        if child.wait(timeout=30) != 0 or not line.startswith("exposed "):
            sys.exit(f"{command[0]} did not report an exposed window ({line.strip()!r})")
        return elapsed, line.split()[1]
    finally:
        shutil.rmtree(home, ignore_errors=True)


def main():
    folder = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 30
    server, display = (None, os.environ["DISPLAY"]) if os.environ.get("DISPLAY") else start_display()
    try:
        recorder = [os.path.join(folder, "hymnaro-recorder-startup")]
        _, size = time_to_exposed(recorder, display)
        programs = {"recorder": recorder,
                    "bare": [os.path.join(folder, "hymnaro_bare_window"), size]}
        if os.environ.get("HYMNARO_BENCH_BEFORE"):
            programs["before"] = [os.path.abspath(os.environ["HYMNARO_BENCH_BEFORE"])]
        times = {name: [] for name in programs}
        for round_ in range(WARM_UP + rounds):
            for name, command in programs.items():
                elapsed, _ = time_to_exposed(command, display)
                if round_ >= WARM_UP:
                    times[name].append(elapsed)
        median = {name: statistics.median(seen) for name, seen in times.items()}
        for name, seen in times.items():
            print(f"start-up {name:8s}: median {median[name] * 1000:6.1f} ms, "
                  f"min {min(seen) * 1000:6.1f} ms over {rounds} starts ({size} window)")
        # Each round's two starts see about the same load on a shared machine, so the ratio
        # of a round is steadier than the ratio of the medians.
        paired = statistics.median(r / b for r, b in zip(times["recorder"], times["bare"]))
        print(f"start-up / bare Qt window: {paired:.2f} (goal <= 1.2; median of the rounds' "
              f"ratios; of the medians {median['recorder'] / median['bare']:.2f})")
        if "before" in times:
            before = statistics.median(r / b for r, b in zip(times["before"], times["bare"]))
            print(f"start-up before / bare Qt window: {before:.2f} (the build named by "
                  "HYMNARO_BENCH_BEFORE)")
    finally:
        if server:
            server.kill()
            server.wait()


if __name__ == "__main__":
    main()
