#!/usr/bin/env python3
"""The whole show, run as a viewer would see it, on the X display it is given.

usage: show_test.py DEMO_BINARY BUILD_DIR

Plays the demo to its natural end with the music going to a file, grabs the
screen (xwd) in bursts around chosen moments of the eight loops, and checks
what a viewer would notice if something broke. How long loading takes and how
fast frames come both move the content against the clock, so a check passes
when what it looks for is seen in some grab of its burst.
"""
import os
import struct
import subprocess
import sys
import tempfile
import time

RATE, CHANNELS = 44100, 2  # what the demo asks of the audio device (16-bit)
STEP = 4  # the dumps are read every 4th pixel of every 4th row

# (from, to seconds after the window opened, name, loop, checks): grabs every
# 0.1 s in between, at least three; "moving" compares the first grab with the
# last. The clock starts a little after the window opens, up to a few seconds
# on a loaded machine: the fade-out's burst runs on into the tunnel.
MOMENTS = [
    (3.0, 4.9, "fade", "flares fade-in", ()),
    (10.0, 11.5, "flares", "flare particles", ("moving",)),
    (22.9, 27.5, "fade-out", "flare fade-out", ()),
    (27.0, 29.0, "tunnel", "tunnel A", ("moving", "rings", "runway")),
    (38.0, 40.0, "flyer", "tunnel B", ("moving", "rings", "runway")),
    (60.0, 66.0, "boule", "Boule", ("moving", "tiles", "ball")),  # columns pass between camera and ball
    (86.0, 88.0, "cana", "Cana", ("moving",)),
    (112.0, 114.0, "banniere", "Banniere", ("moving",)),
    (140.0, 141.0, "banniere-end", "Banniere", ()),
]
COLOURS = {
    "rings": (lambda r, g, b: g > 170 and b > 170 and r < 180, 0.003),  # the tunnel's cyan lights
    "runway": (lambda r, g, b: r > 170 and 60 < g < 200 and b < 100, 0.001),  # its amber runway
    "tiles": (lambda r, g, b: r > 80 and g < 50 and b < 60 and r > 2 * g, 0.01),  # Boule's wine-red floor
    "ball": (lambda r, g, b: b > 110 and b > r + 50, 0.01),  # and its blue ball
}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)
    return condition


def read_xwd(path):
    """The pixels (r, g, b) of an X window dump, every STEP-th of every STEP-th row."""
    data = open(path, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, version, pixmap_format, depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    masks, ncolors = fields[14:17], fields[19]
    if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise ValueError("unexpected dump: version %d format %d bpp %d" % (version, pixmap_format, bits_per_pixel))
    offset = header_size + 12 * ncolors
    step = bits_per_pixel // 8
    endian = "little" if byte_order == 0 else "big"
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    pixels = []
    for y in range(0, height, STEP):
        row = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * step]
        for x in range(0, width, STEP):
            v = int.from_bytes(row[x * step:x * step + step], endian)
            pixels.append(tuple((v & m) >> s for m, s in zip(masks, shifts)))
    return pixels


def share(pixels, test):
    return sum(1 for p in pixels if test(*p)) / len(pixels)


def frame_stats(pixels):
    """Mean and spread of the luminance, distinct colours, and the lit share."""
    lum = [(r * 3 + g * 6 + b) / 10 for r, g, b in pixels]
    mean = sum(lum) / len(lum)
    sd = (sum((v - mean) ** 2 for v in lum) / len(lum)) ** 0.5
    return mean, sd, len(set(pixels)), share(pixels, lambda r, g, b: max(r, g, b) > 24)


def shows_a_picture(pixels):
    mean, sd, distinct, lit = frame_stats(pixels)
    return lit > 0.05 and sd > 6 and distinct > 60


def difference(a, b):
    return sum(abs(x[0] - y[0]) + abs(x[1] - y[1]) + abs(x[2] - y[2]) for x, y in zip(a, b)) / (len(a) * 3)


def scaled(frame, reference):
    """The factor f that makes f x reference nearest to the frame, and the mean
    difference left: black fog on the flat background only scales it."""
    ref = [c for p in reference for c in p]
    got = [c for p in frame for c in p]
    f = sum(a * b for a, b in zip(got, ref)) / max(1, sum(b * b for b in ref))
    return f, sum(abs(a - f * b) for a, b in zip(got, ref)) / len(ref)


def grab(path):
    with open(path, "wb") as out:
        return subprocess.run(["xwd", "-root", "-silent"], stdout=out, timeout=20).returncode == 0


def wait_for_window(process):
    """The demo's clock starts when its window opens: the time of that, as
    near as polling the X server for the root window's children gets."""
    begin = time.monotonic()
    while time.monotonic() - begin < 15 and process.poll() is None:
        tree = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True).stdout
        if " child" in tree and "0 children" not in tree:
            return time.monotonic()
        time.sleep(0.02)
    return begin


def music_levels(path):
    """RMS of each tenth of the raw 16-bit music and its length in seconds."""
    data = open(path, "rb").read() if os.path.exists(path) else b""
    samples = len(data) // 2
    levels = []
    for part in range(10):
        chunk = data[part * samples // 10 * 2:(part + 1) * samples // 10 * 2]
        values = struct.unpack("<%dh" % (len(chunk) // 2), chunk[:len(chunk) // 2 * 2])[::17]
        levels.append((sum(v * v for v in values) / len(values)) ** 0.5 if values else 0.0)
    return samples / CHANNELS / RATE, levels


def play(demo, build, work):
    """Runs the show, grabbing the bursts; answers {name: [dump paths]} and the run time."""
    # 1024 frames per buffer is 23 ms of sound: write one buffer about every 23 ms.
    env = dict(os.environ, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=os.path.join(work, "music.raw"),
               SDL_DISKAUDIODELAY="22", SDL_VIDEODRIVER="x11")
    with open(os.path.join(work, "out"), "wb") as log:
        process = subprocess.Popen([demo], cwd=build, env=env, stdout=log, stderr=subprocess.STDOUT)
    start = wait_for_window(process)
    bursts = {}
    for begin, end, name, loop, _ in MOMENTS:
        time.sleep(max(0.0, start + begin - time.monotonic()))
        bursts[name] = []
        while check(process.poll() is None, "the demo ended before the %s burst at %.0f s" % (name, begin)):
            path = os.path.join(work, "%s%d.xwd" % (name, len(bursts[name])))
            if grab(path):
                bursts[name].append(path)
            if time.monotonic() >= start + end and len(bursts[name]) >= 3:
                break
            time.sleep(0.1)
        if process.poll() is not None:
            break
    try:
        status = process.wait(timeout=max(30.0, start + 200 - time.monotonic()))
    except subprocess.TimeoutExpired:
        process.kill()
        status = None
    run_time = time.monotonic() - start
    print("run time %.1f s, exit status %s" % (run_time, status))
    check(status == 0, "exit status %s" % status)
    check(140 <= run_time <= 190, "the show lasted %.1f s, not about 150" % run_time)
    return bursts, run_time


def look(bursts):
    """The checks of each moment, read once the show is over so as not to slow it down."""
    reference = None  # the fade-in at its brightest: the background alone
    for begin, end, name, loop, checks in MOMENTS:
        paths = bursts.get(name, [])
        if not check(paths, "no grab of %s (%s)" % (name, loop)):
            continue
        if name == "fade-out":
            # The background alone (no sprites), fogged darker and darker: some
            # grabs are the fade-in's brightest picture scaled, and the factor
            # falls. The burst also holds particles before and tunnel after.
            fits = [scaled(read_xwd(path), reference) if reference else (0.0, 999.0) for path in paths]
            factors = [f for f, left in fits if left < 6 and f > 0.05]
            print("fade-out: factor/difference left %s" % " ".join("%.2f/%.1f" % fit for fit in fits))
            check(factors and min(factors) < 0.9 * max(factors), "no grabs show the fade-out's background darkening")
            continue
        frames = [read_xwd(p) for p in paths]
        if name == "fade":
            reference = max(frames, key=lambda f: frame_stats(f)[0])
        stats = [frame_stats(f) for f in frames]
        print("%-13s %-16s %2d grabs, best: sd %5.1f colours %4d lit %.2f" % (
            name, loop, len(frames), max(s[1] for s in stats), max(s[2] for s in stats), max(s[3] for s in stats)))
        check(any(shows_a_picture(f) for f in frames), "%s (%s) is nearly empty or uniform in every grab" % (name, loop))
        if "moving" in checks:
            d = difference(frames[0], frames[-1]) if len(frames) > 1 else 0.0
            check(d > 1.0, "nothing moved during %s (difference %.2f over %d grabs)" % (name, d, len(frames)))
        for colour in checks:
            if colour in COLOURS:
                test, least = COLOURS[colour]
                best = max(share(f, test) for f in frames)
                check(best > least, "no grab of %s shows its %s (best share %.4f)" % (name, colour, best))


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    demo, build = sys.argv[1:]
    with tempfile.TemporaryDirectory() as work:
        bursts, run_time = play(demo, build, work)
        look(bursts)
        seconds, levels = music_levels(os.path.join(work, "music.raw"))
        print("music: %.1f s, RMS by tenths %s" % (seconds, " ".join("%.0f" % v for v in levels)))
        check(seconds > 0.7 * run_time, "the music lasted %.1f s of a %.1f s run" % (seconds, run_time))
        check(sum(1 for v in levels if v > 200) >= 8, "the music is silent in parts: %s" % levels)
        if failures:
            print(open(os.path.join(work, "out"), errors="replace").read()[-2000:])
    print("FAILED" if failures else "ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
