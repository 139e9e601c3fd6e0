#!/usr/bin/env python3
"""Compares the recorder's capture chain with arecord on the same ALSA devices.

unpaced: both record the same number of bytes from the file-plugin fixture (a prepared raw
         file read as fast as asked) into a RAM-backed folder; prints both rates and their
         ratio (goal: the chain at least as fast as arecord).
pulse:   both record 10 s from a PulseAudio sine source (needs scripts/with-pulse); prints
         the CPU time each spends per second of sound and their ratio (goal: at most 1.5).

usage: capture_vs_arecord.py CHAIN_BINARY [unpaced|pulse|both]
"""
import os
import resource
import subprocess
import sys
import tempfile
import time

RATE, CHANNELS, FRAME = 48000, 2, 4
ROUNDS = 5
PULSE_ROUNDS = 3


def run(command, env):
    """Runs a command; answers its wall time and the CPU time (user + system) it used."""
    started = time.monotonic()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - started
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{command[0]} failed with status {status}")
    return wall, usage.ru_utime + usage.ru_stime


def data_bytes(path):
    return os.path.getsize(path) - 46  # both write a 46-byte WAV header here


def unpaced(chain, work):
    size = 256 * 1024 * 1024
    raw = os.path.join(work, "input.raw")
    with open(raw, "wb") as f:
        block = os.urandom(1 << 20)
        for _ in range(size >> 20):
            f.write(block)
    config = os.path.join(work, "unpaced.conf")
    with open(config, "w") as f:
        f.write('pcm.!default {\n  type file\n  slave.pcm { type null }\n  file "/dev/null"\n'
                f'  infile "{raw}"\n  format "raw"\n'
                '  hint { show on description "Test capture" }\n}\n')
    env = dict(os.environ, ALSA_CONFIG_PATH=config)
    commands = {
        "chain": [chain, os.path.join(work, "chain.wav"), "--bytes", str(size)],
        "arecord": ["arecord", "-q", "-t", "wav", "-f", "S16_LE", "-r", str(RATE), "-c",
                    str(CHANNELS), "-s", str(size // FRAME), os.path.join(work, "arecord.wav")],
    }
    # The machine is shared: interleave the rounds and keep each side's best.
    rates = {name: [] for name in commands}
    for _ in range(ROUNDS):
        for name, command in commands.items():
            wall, _ = run(command, env)
            out = command[1] if name == "chain" else command[-1]
            rates[name].append(data_bytes(out) / wall)
            os.remove(out)
    for name, seen in rates.items():
        print(f"unpaced {name:8s}: best {max(seen) / 1e6:7.1f} MB/s, median "
              f"{sorted(seen)[len(seen) // 2] / 1e6:7.1f} MB/s over {ROUNDS} rounds of "
              f"{size / 1e6:.0f} MB")
    best = {name: max(seen) for name, seen in rates.items()}
    rates = best
    os.remove(raw)
    print(f"unpaced rate ratio chain/arecord: {rates['chain'] / rates['arecord']:.2f} "
          "(goal: at least 1.00)")


def pulse(chain, work):
    runtime = os.environ.get("HYMNARO_PULSE_RUNTIME_DIR")
    if not runtime:
        sys.exit("pulse: no daemon; run through scripts/with-pulse")
    config = os.path.join(work, "pulse.conf")
    with open(config, "w") as f:
        f.write('pcm.!default {\n  type pulse\n  hint { show on description "PulseAudio" }\n}\n'
                'ctl.!default { type pulse }\n')
    env = dict(os.environ, ALSA_CONFIG_PATH=config, XDG_RUNTIME_DIR=runtime,
               PULSE_RUNTIME_PATH=os.path.join(runtime, "pulse"), HOME=runtime)
    seconds = 10
    commands = {
        "chain": [chain, os.path.join(work, "chain.wav"), "--seconds", str(seconds)],
        "arecord": ["arecord", "-q", "-t", "wav", "-f", "S16_LE", "-r", str(RATE), "-c",
                    str(CHANNELS), "-d", str(seconds), os.path.join(work, "arecord.wav")],
    }
    costs = {name: [] for name in commands}
    for _ in range(PULSE_ROUNDS):
        for name, command in commands.items():
            _, cpu = run(command, env)
            out = command[1] if name == "chain" else command[-1]
            costs[name].append(cpu / (data_bytes(out) / (RATE * FRAME)))
            os.remove(out)
    cost = {name: sorted(seen)[len(seen) // 2] for name, seen in costs.items()}
    for name, seen in costs.items():
        print(f"pulse   {name:8s}: median {cost[name] * 1000:5.2f} ms CPU per second of sound "
              f"(rounds: {', '.join(f'{c * 1000:.2f}' for c in seen)}), {seconds} s each")
    print(f"pulse CPU ratio chain/arecord: {cost['chain'] / cost['arecord']:.2f} "
          "(goal: at most 1.50)")


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    chain = os.path.abspath(sys.argv[1])
    which = sys.argv[2] if len(sys.argv) > 2 else "both"
    folder = "/dev/shm" if os.path.isdir("/dev/shm") else None
    with tempfile.TemporaryDirectory(dir=folder) as work:
        if which in ("unpaced", "both"):
            unpaced(chain, work)
        if which in ("pulse", "both"):
            pulse(chain, work)


if __name__ == "__main__":
    main()
