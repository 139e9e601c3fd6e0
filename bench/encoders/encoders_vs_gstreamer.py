#!/usr/bin/env python3
"""CPU per second of sound of WAV, FLAC and Opus recordings through the recorder's chain, and of
GStreamer's flacenc and opusenc pipelines on the same input.

The input is one prepared file of 48 kHz stereo sound (a 440 Hz tone with a little noise),
taken in real time by every recorder: the recorder's chain captures it from ALSA's file plugin
paced by a private PulseAudio daemon (needs scripts/with-pulse), GStreamer reads it with
filesrc and paces it with its clock. The encoders are set alike: FLAC level 5 with
4096-sample blocks, Opus at 96 kbit/s stereo with complexity 9 (libopusenc's default). Each
recorder makes a short and a long recording in every round; the CPU per second of sound is
the difference of their CPU times over the difference of their sound, so that starting a
process (loading libraries, GStreamer's plugin registry) does not count. Prints the medians,
their ratios and the goals: FLAC and Opus at most GStreamer's CPU, FLAC at most 3 times the
WAV recording's.

usage: encoders_vs_gstreamer.py CHAIN_BINARY [ROUNDS]
"""
import math
import os
import random
import re
import struct
import subprocess
import sys
import tempfile

RATE, CHANNELS, FRAME = 48000, 2, 4
SHORT, LONG = 2, 12


def run(command, env):
    """Runs a command; answers the CPU time (user + system) it and its children used."""
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{command[0]} failed with status {status}")
    return usage.ru_utime + usage.ru_stime


def sound_seconds(kind, path):
    """The length of the sound in a recording, from the file."""
    if kind == "wav":
        return (os.path.getsize(path) - 46) / (RATE * FRAME)
    if kind == "flac":
        out = subprocess.run(["metaflac", "--show-total-samples", path], check=True,
                             capture_output=True, text=True).stdout
        return int(out) / RATE
    out = subprocess.run(["opusinfo", path], capture_output=True, text=True).stdout
    m = re.search(r"Playback length: (\d+)m:([\d.]+)s", out)
    if not m:
        sys.exit(f"opusinfo could not read {path}")
    return int(m.group(1)) * 60 + float(m.group(2))


def make_input(work):
    """The input, 60 s long, and its first SHORT and LONG seconds as files of their own."""
    rng = random.Random(1)
    frames = []
    for i in range(RATE * 60):
        tone = int(12000 * math.sin(2 * math.pi * 440 * i / RATE))
        frames.append(struct.pack("<hh", tone + rng.randint(-40, 40), tone + rng.randint(-40, 40)))
    sound = b"".join(frames)
    paths = {}
    for seconds, length in (("all", len(sound)), (SHORT, SHORT * RATE * FRAME),
                            (LONG, LONG * RATE * FRAME)):
        paths[seconds] = os.path.join(work, f"input-{seconds}.raw")
        with open(paths[seconds], "wb") as f:
            f.write(sound[:length])
    return paths


def recorders(chain, work, inputs):
    """name -> (kind of file, function from seconds to the command)."""
    def ours(kind):
        return lambda s: [chain, kind, os.path.join(work, f"ours.{kind}"), str(s)]

    def gst(kind, encoder):
        return lambda s: ["gst-launch-1.0", "-q", "filesrc", f"location={inputs[s]}", "!",
                          "rawaudioparse", "format=pcm", "pcm-format=s16le",
                          f"sample-rate={RATE}", f"num-channels={CHANNELS}", "!",
                          "identity", "sync=true", "!", *encoder, "!",
                          "filesink", f"location={os.path.join(work, 'gst.' + kind)}"]

    return {
        "WAV (ours)": ("wav", ours("wav")),
        "FLAC (ours)": ("flac", ours("flac")),
        "Opus (ours)": ("opus", ours("opus")),
        "FLAC (GStreamer)": ("flac", gst("flac", ["flacenc", "quality=5", "blocksize=4096"])),
        "Opus (GStreamer)": ("opus", gst("opus", ["opusenc", "bitrate=96000", "complexity=9",
                                                  "!", "oggmux"])),
    }


def output_of(command):
    """The file a command writes: the filesink's location, or our program's second argument."""
    sinks = [part[len("location="):] for part in command if part.startswith("location=")]
    return sinks[-1] if sinks else command[2]


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    chain = os.path.abspath(sys.argv[1])
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    runtime = os.environ.get("HYMNARO_PULSE_RUNTIME_DIR")
    if not runtime:
        sys.exit("no PulseAudio daemon; run through scripts/with-pulse")
    folder = "/dev/shm" if os.path.isdir("/dev/shm") else None
    with tempfile.TemporaryDirectory(dir=folder) as work:
        inputs = make_input(work)
        config = os.path.join(work, "paced.conf")
        with open(config, "w") as f:
            f.write('pcm.!default {\n  type file\n  slave.pcm "pulse"\n  file "/dev/null"\n'
                    f'  infile "{inputs["all"]}"\n  format "raw"\n'
                    '  hint { show on description "Paced test capture" }\n}\n'
                    'pcm.pulse { type pulse }\nctl.pulse { type pulse }\n')
        env = dict(os.environ, ALSA_CONFIG_PATH=config, XDG_RUNTIME_DIR=runtime,
                   PULSE_RUNTIME_PATH=os.path.join(runtime, "pulse"), HOME=runtime)
        # GStreamer builds its plugin registry once, outside the measurement.
        subprocess.run(["gst-inspect-1.0", "flacenc"], env=env, stdout=subprocess.DEVNULL,
                       check=True)
        costs = {name: [] for name in recorders(chain, work, inputs)}
        # The machine is shared: interleave the recorders in every round.
        for _ in range(rounds):
            for name, (kind, command) in recorders(chain, work, inputs).items():
                measured = {}
                for seconds in (SHORT, LONG):
                    cmd = command(seconds)
                    cpu = run(cmd, env)
                    measured[seconds] = (cpu, sound_seconds(kind, output_of(cmd)))
                    os.remove(output_of(cmd))
                (cpu_short, sound_short), (cpu_long, sound_long) = measured[SHORT], measured[LONG]
                costs[name].append((cpu_long - cpu_short) / (sound_long - sound_short))
    cost = {name: sorted(seen)[len(seen) // 2] for name, seen in costs.items()}
    for name, seen in costs.items():
        print(f"{name:17s}: median {cost[name] * 1000:6.2f} ms CPU per second of sound "
              f"(rounds: {', '.join(f'{c * 1000:.2f}' for c in seen)})")
    print(f"FLAC ours/GStreamer: {cost['FLAC (ours)'] / cost['FLAC (GStreamer)']:.2f} "
          "(goal: at most 1.00)")
    print(f"Opus ours/GStreamer: {cost['Opus (ours)'] / cost['Opus (GStreamer)']:.2f} "
          "(goal: at most 1.00)")
    print(f"FLAC/WAV (ours):     {cost['FLAC (ours)'] / cost['WAV (ours)']:.2f} "
          "(goal: at most 3.00)")
    print(f"Opus/WAV (ours):     {cost['Opus (ours)'] / cost['WAV (ours)']:.2f}")


if __name__ == "__main__":
    main()
