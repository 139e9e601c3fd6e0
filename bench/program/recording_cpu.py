"""CPU and wake-ups of the recorder while it records, against arecord recording the same source.

Usage (beside a private daemon): scripts/with-pulse python3 recording_cpu.py PROGRAM [ROUNDS]
PROGRAM is hymnaro-recorder-driven (the program with the test driver that clicks Record).
Each round starts the recorder and arecord on the PulseAudio default source, in the format the
recorder chose, lets both settle, and then measures both over the same window: CPU time (all
threads, from /proc/<pid>/task/*/schedstat, in nanoseconds) per second of sound that reached
each file, and wake-ups (voluntary and involuntary context switches of all threads, from
/proc/<pid>/task/*/status) per second of sound. The figures are the medians of the rounds'
ratios.
"""
import os
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time

from recorder_memory import environment

SETTLE = 2.0
WINDOW = float(os.environ.get("HYMNARO_BENCH_WINDOW", "20"))
# The live status refreshes this many times a second while it is shown (none yet).
STATUS_REFRESH_PER_SECOND = 0


def tasks_figures(pid):
    """CPU nanoseconds and context switches of every thread of the process now."""
    cpu = switches = 0
    base = f"/proc/{pid}/task"
    for task in os.listdir(base):
        try:
            with open(f"{base}/{task}/schedstat") as stat:
                cpu += int(stat.read().split()[0])
            with open(f"{base}/{task}/status") as status:
                for line in status:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        switches += int(line.split()[1])
        except FileNotFoundError:  # a thread that ended meanwhile
            pass
    return cpu, switches


def wav_format(path):
    """(rate, channels, bytes a frame) from the file's format chunk."""
    with open(path, "rb") as wav:
        head = wav.read(512)
    at = head.find(b"fmt ")
    if at < 0:
        raise RuntimeError(f"{path} has no format chunk yet")
    channels, rate = struct.unpack_from("<HI", head, at + 10)
    align = struct.unpack_from("<H", head, at + 20)[0]
    return rate, channels, align


class Measured:
    def __init__(self, pid, path):
        self.pid, self.path = pid, path
        self.start = None

    def sample(self):
        cpu, switches = tasks_figures(self.pid)
        return cpu, switches, os.path.getsize(self.path)

    def begin(self):
        self.start = self.sample()

    def end(self, frame_bytes, rate):
        cpu, switches, size = self.sample()
        seconds = (size - self.start[2]) / (frame_bytes * rate)
        return ((cpu - self.start[0]) / 1e6 / seconds, (switches - self.start[1]) / seconds)


def one_round(program, home):
    env = environment(home)
    # The system's ALSA configuration, as on a desktop: its default device is the sound
    # server's, and the recorder records the default source in that source's own format.
    env.pop("ALSA_CONFIG_PATH")
    recorder = subprocess.Popen([program], env=env, cwd=home, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True)
    arecord = None
    try:
        wav = None
        for line in recorder.stdout:
            if line.startswith("recording "):
                wav = line[len("recording "):].rstrip("\n")
                break
        if not wav:
            sys.exit("the recording did not start")
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and (not os.path.exists(wav)
                                               or os.path.getsize(wav) < 1024):
            time.sleep(0.05)
        rate, channels, frame = wav_format(wav)
        theirs = os.path.join(home, "arecord.wav")
        arecord = subprocess.Popen(["arecord", "-q", "-D", "default", "-t", "wav", "-f",
                                    "S16_LE", "-r", str(rate), "-c", str(channels), theirs],
                                   env=env, cwd=home)
        time.sleep(SETTLE)
        ours, others = Measured(recorder.pid, wav), Measured(arecord.pid, theirs)
        ours.begin()
        others.begin()
        time.sleep(WINDOW)
        figures = {"recorder": ours.end(frame, rate), "arecord": others.end(frame, rate)}
        return figures, f"{rate} Hz, {channels} channel(s)"
    finally:
        if arecord:
            arecord.send_signal(signal.SIGINT)
            arecord.wait(timeout=30)
        recorder.send_signal(signal.SIGTERM)
        code = recorder.wait(timeout=60)
        messages = [line.rstrip("\n") for line in recorder.stdout if line.startswith("message ")]
        if code != 0 or messages:
            sys.exit(f"the recorder ended with {code}; messages: {messages}")


def main():
    program = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    cpu_ratios, wake_ratios, above = [], [], []
    for round_ in range(rounds):
        home = tempfile.mkdtemp(prefix="hymnaro-recording-cpu.")
        try:
            figures, format_ = one_round(program, home)
        finally:
            shutil.rmtree(home, ignore_errors=True)
        (cpu, wakes), (their_cpu, their_wakes) = figures["recorder"], figures["arecord"]
        print(f"round {round_ + 1} ({format_}, {WINDOW:.0f} s): recorder {cpu:.3f} ms CPU and "
              f"{wakes:.1f} wake-ups per second of sound, arecord {their_cpu:.3f} ms and "
              f"{their_wakes:.1f}", flush=True)
        cpu_ratios.append(cpu / their_cpu)
        wake_ratios.append(wakes / their_wakes)
        above.append(wakes - their_wakes)
    print(f"recording CPU per second of sound / arecord's: {statistics.median(cpu_ratios):.2f} "
          "(goal <= 1.00 with the live status hidden, <= 1.30 shown)")
    allowed = STATUS_REFRESH_PER_SECOND
    print(f"recording wake-ups per second / arecord's: {statistics.median(wake_ratios):.2f} "
          f"(goal: at most {allowed} a second above arecord's, the live status's refresh; "
          f"median {statistics.median(above):+.1f})")


if __name__ == "__main__":
    main()
