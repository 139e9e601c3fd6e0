"""CPU per second of sound of the recorder with its status panel, with the panel hidden (the
window minimized, so the panel is not fed), and of arecord, recording the same PulseAudio sine
source in turns; besides, the recorder minimized with a timer that does nothing at the panel's
rate ("wake-ups"): what waking the program that often costs by itself.

Usage (beside a private daemon): scripts/with-pulse python3 status_panel.py PROGRAM [SECONDS]
PROGRAM is hymnaro-recorder-driven (the program with the test driver that clicks Record).
Each run is measured over SECONDS of recording after a warm-up, so start-up and shutdown do not
count: the CPU time of all the process's threads (from /proc, in nanoseconds) and the sound the
file grew by in that stretch.
"""
import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROUNDS = 3
WARM_UP = 3.0           # the daemon hands out about two seconds at the first read
BYTES_PER_SECOND = 48000 * 4
HEADER = 46


def cpu_ns(pid):
    """CPU time of every thread of the process so far."""
    total = 0
    for path in glob.glob(f"/proc/{pid}/task/*/schedstat"):
        try:
            with open(path) as stat:
                total += int(stat.read().split()[0])
        except (OSError, ValueError, IndexError):
            pass  # a thread that just ended
    return total


def environment(home):
    runtime = os.environ.get("HYMNARO_PULSE_RUNTIME_DIR")
    if not runtime:
        sys.exit("no private PulseAudio daemon: run through scripts/with-pulse")
    config = os.path.join(home, "asound.conf")
    with open(config, "w") as out:
        out.write('pcm.!default {\n  type pulse\n'
                  '  hint { show on description "PulseAudio sine source" }\n}\n'
                  'ctl.!default { type pulse }\n')
    env = dict(os.environ)
    env.pop("XDG_DOCUMENTS_DIR", None)
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local/share"), QT_QPA_PLATFORM="offscreen",
               ALSA_CONFIG_PATH=config, XDG_RUNTIME_DIR=runtime,
               PULSE_RUNTIME_PATH=os.path.join(runtime, "pulse"))
    cookie = os.path.join(runtime, ".config/pulse/cookie")
    if os.path.exists(cookie):
        env["PULSE_COOKIE"] = cookie
    return env


def measure(process, wav, seconds):
    """CPU ns and sound seconds over `seconds` of recording after the warm-up."""
    time.sleep(WARM_UP)
    cpu0, size0 = cpu_ns(process.pid), os.path.getsize(wav)
    time.sleep(seconds)
    cpu1, size1 = cpu_ns(process.pid), os.path.getsize(wav)
    return cpu1 - cpu0, (size1 - size0) / BYTES_PER_SECOND


def recorder(program, env, drive, seconds):
    env = dict(env, HYMNARO_DRIVE=drive)
    process = subprocess.Popen([program], env=env, cwd=env["HOME"], stdout=subprocess.PIPE,
                               text=True)
    wav = None
    for line in process.stdout:
        if line.startswith("recording "):
            wav = line[len("recording "):].rstrip("\n")
            break
    if not wav:
        process.kill()
        sys.exit(f"{drive}: the recording did not start")
    cpu, sound = measure(process, wav, seconds)
    process.send_signal(signal.SIGTERM)
    code = process.wait(timeout=60)
    messages = [line.rstrip("\n") for line in process.stdout if line.startswith("message ")]
    if code != 0 or messages:
        sys.exit(f"{drive}: exit code {code}, messages {messages}")
    os.remove(wav)
    return cpu, sound


def arecord(env, seconds):
    wav = os.path.join(env["HOME"], "arecord.wav")
    process = subprocess.Popen(["arecord", "-q", "-t", "wav", "-f", "S16_LE", "-r", "48000",
                                "-c", "2", wav], env=env)
    while not os.path.exists(wav):
        time.sleep(0.01)
    cpu, sound = measure(process, wav, seconds)
    process.send_signal(signal.SIGINT)
    process.wait(timeout=60)
    os.remove(wav)
    return cpu, sound


def main():
    program = os.path.abspath(sys.argv[1])
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 20
    home = tempfile.mkdtemp(prefix="hymnaro-panel.")
    try:
        env = environment(home)
        runs = {
            "panel": lambda: recorder(program, env, "record", seconds),
            "hidden": lambda: recorder(program, env, "record-minimized", seconds),
            "wake-ups": lambda: recorder(program, env, "record-bare-timer", seconds),
            "arecord": lambda: arecord(env, seconds),
        }
        costs = {name: [] for name in runs}
        # The machine is shared: interleave the rounds and take each side's median.
        for _ in range(ROUNDS):
            for name, run in runs.items():
                cpu, sound = run()
                if sound < seconds / 2:
                    sys.exit(f"{name}: only {sound:.1f} s of sound in {seconds} s")
                costs[name].append(cpu / 1e6 / sound)
        median = {name: sorted(seen)[len(seen) // 2] for name, seen in costs.items()}
        for name, seen in costs.items():
            print(f"{name:8s}: median {median[name]:6.2f} ms CPU per second of sound "
                  f"(rounds: {', '.join(f'{c:.2f}' for c in seen)}), {seconds:.0f} s each")
        print(f"panel/hidden CPU ratio: {median['panel'] / median['hidden']:.2f} "
              "(goal: at most 1.10)")
        print(f"recorder (with panel)/arecord CPU ratio: "
              f"{median['panel'] / median['arecord']:.2f} (goal: at most 1.50)")
        print(f"recorder (panel hidden)/arecord CPU ratio: "
              f"{median['hidden'] / median['arecord']:.2f}")
        # What the panel does beyond waking the program as often as the meter needs.
        print(f"panel/wake-ups CPU ratio: {median['panel'] / median['wake-ups']:.2f}")
    finally:
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    main()
