#pragma once
// The test sound server as ALSA reaches it. scripts/with-pulse and scripts/with-pipewire name
// an ALSA configuration (HYMNARO_SOUND_SERVER_ALSA) that defines the PCM and the control
// "sound_server" through the plugin of the run: ALSA's pulse plugin, or PipeWire's own. The
// process still has to reach the server (XDG_RUNTIME_DIR=HYMNARO_PULSE_RUNTIME_DIR).
#include <cstdlib>
#include <string>

// ALSA configuration text that defines "sound_server"; put it before what refers to it.
inline std::string SoundServerAlsaDefinitions() {
    const char* path = std::getenv("HYMNARO_SOUND_SERVER_ALSA");
    if (path && *path) return "<" + std::string(path) + ">\n";
    return "pcm.sound_server { type pulse }\nctl.sound_server { type pulse }\n";
}

// ALSA configuration text whose default capture device is the sound server's default source,
// listed under the given description. (asym hands the capture stream straight to its slave.)
inline std::string SoundServerAsDefault(const std::string& description) {
    return SoundServerAlsaDefinitions() +
           "pcm.!default {\n  type asym\n  capture.pcm \"sound_server\"\n"
           "  hint { show on description \"" +
           description + "\" }\n}\nctl.!default \"sound_server\"\n";
}

// ALSA configuration text that defines the device "pulse" as Debian's configuration does:
// ALSA's pulse plugin with a source of the server as its argument ("pulse:<source name>"),
// through which the recorder opens a chosen source.
inline std::string PulseSourceDevice() {
    return "pcm.pulse {\n  @args [ DEVICE ]\n  @args.DEVICE { type string default \"\" }\n"
           "  type pulse\n  device $DEVICE\n}\n";
}

// ALSA configuration text whose default capture device reads a raw file (16-bit stereo at
// 48 kHz) through ALSA's file plugin, paced by the sound server: known sound at the speed of a
// real device. The file is opened anew each time the device is.
inline std::string SoundServerPacedFile(const std::string& infile, const std::string& description) {
    return SoundServerAlsaDefinitions() +
           "pcm.!default {\n  type file\n  slave.pcm \"sound_server\"\n"
           "  file \"/dev/null\"\n  infile \"" +
           infile + "\"\n  format \"raw\"\n  hint { show on description \"" + description +
           "\" }\n}\n";
}
