"""Resident memory of the recorder program while it records from the PulseAudio sine source.

Usage (beside a private daemon): scripts/with-pulse python3 recorder_memory.py PROGRAM [SECONDS]
PROGRAM is hymnaro-recorder-driven (the program with the test driver that clicks Record).
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

INTERVAL = 10


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS")


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
               PULSE_RUNTIME_PATH=os.path.join(runtime, "pulse"), HYMNARO_DRIVE="record")
    cookie = os.path.join(runtime, ".config/pulse/cookie")
    if os.path.exists(cookie):
        env["PULSE_COOKIE"] = cookie
    return env


def main():
    program = os.path.abspath(sys.argv[1])
    seconds = int(sys.argv[2]) if len(sys.argv) > 2 else 120
    home = tempfile.mkdtemp(prefix="hymnaro-memory.")
    try:
        recorder = subprocess.Popen([program], env=environment(home), cwd=home,
                                    stdout=subprocess.PIPE, text=True)
        wav = None
        for line in recorder.stdout:
            if line.startswith("recording "):
                wav = line[len("recording "):].rstrip("\n")
                break
        if not wav:
            recorder.kill()
            sys.exit("the recording did not start")

        start = time.monotonic()
        figures = []
        print(f"{'time':>6} {'resident':>12} {'recorded':>12}")
        while True:
            elapsed = time.monotonic() - start
            rss = resident_kib(recorder.pid)
            figures.append(rss)
            size = os.path.getsize(wav) if os.path.exists(wav) else 0
            print(f"{elapsed:5.0f}s {rss:9d} KiB {size / 1e6:9.1f} MB", flush=True)
            if elapsed >= seconds - 0.5:
                break
            time.sleep(max(0.0, start + INTERVAL * len(figures) - time.monotonic()))

        recorder.send_signal(signal.SIGTERM)
        code = recorder.wait(timeout=60)
        messages = [line.rstrip("\n") for line in recorder.stdout if line.startswith("message ")]
        print(f"first {figures[0]} KiB, last {figures[-1]} KiB, "
              f"last/first {figures[-1] / figures[0]:.3f}, "
              f"highest/first {max(figures) / figures[0]:.3f}")
        if len(figures) > 2:
            # The first figure is taken before the stream's buffers exist.
            print(f"from {INTERVAL} s on: {figures[1]} KiB -> {figures[-1]} KiB")
            print(f"resident memory at the end / at {INTERVAL} s: "
                  f"{figures[-1] / figures[1]:.3f} (goal: close to 1, nothing kept per second)")
        print(f"recorded {os.path.getsize(wav) / 1e6:.1f} MB; exit code {code}"
              + (f"; messages: {messages}" if messages else ""))
        return 0 if code == 0 and not messages else 1
    finally:
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
