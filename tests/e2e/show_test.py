#!/usr/bin/env python3
"""The whole show, run as a viewer would see it, on the X display it is given.

usage: show_test.py full|escape DEMO_BINARY BUILD_DIR

full:   plays the demo to its natural end with the music going to a file,
        grabs the screen (xwd) at chosen times in each of the eight loops and
        checks what a viewer would notice if something broke.
escape: presses Escape during the flares and checks the quick, clean exit.
"""
import os
import struct
import subprocess
import sys
import tempfile
import time

RATE, CHANNELS = 44100, 2  # what the demo asks of the audio device (16-bit)

# (seconds after start, loop name, shot name). Pairs a second apart must differ.
SHOTS = [
    (3.0, "flares fade-in", "fade"),
    (10.0, "flare particles", "flares-a"),
    (11.0, "flare particles", "flares-b"),
    (22.9, "flare fade-out", "burst"),  # grabs as fast as it can until 23.8 s
    (27.0, "tunnel A", "tunnel-a"),
    (28.0, "tunnel A", "tunnel-b"),
    (38.0, "tunnel B", "flyer-a"),
    (39.0, "tunnel B", "flyer-b"),
    (62.0, "Boule", "boule-a"),
    (63.0, "Boule", "boule-b"),
    (86.0, "Cana", "cana-a"),
    (87.0, "Cana", "cana-b"),
    (112.0, "Banniere", "banniere-a"),
    (113.0, "Banniere", "banniere-b"),
    (140.0, "Banniere", "banniere-end"),
]
MOVING = [("flares-a", "flares-b"), ("tunnel-a", "tunnel-b"), ("flyer-a", "flyer-b"), ("boule-a", "boule-b"),
          ("cana-a", "cana-b"), ("banniere-a", "banniere-b")]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)
    return condition


def read_xwd(path):
    """Returns (width, height, list of (r, g, b)) from an X window dump."""
    data = open(path, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, version, pixmap_format, depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    masks, ncolors = fields[14:17], fields[19]
    if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise ValueError("unexpected dump: version %d format %d bpp %d" % (version, pixmap_format, bits_per_pixel))
    offset = header_size + 12 * ncolors
    step = bits_per_pixel // 8
    order = "<" if byte_order == 0 else ">"
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    pixels = []
    for y in range(height):
        row = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * step]
        if step == 4:
            values = struct.unpack(order + "%dI" % width, row)
        else:
            values = [int.from_bytes(row[i:i + 3], "little" if byte_order == 0 else "big") for i in range(0, len(row), 3)]
        for v in values:
            pixels.append(tuple((v & m) >> s for m, s in zip(masks, shifts)))
    return width, height, pixels


def share(pixels, test):
    return sum(1 for p in pixels if test(*p)) / len(pixels)


def frame_stats(pixels):
    lum = [(r * 3 + g * 6 + b) / 10 for r, g, b in pixels]
    mean = sum(lum) / len(lum)
    sd = (sum((v - mean) ** 2 for v in lum) / len(lum)) ** 0.5
    distinct = len(set(pixels[::7]))
    lit = share(pixels, lambda r, g, b: max(r, g, b) > 24)
    return mean, sd, distinct, lit


def difference(a, b):
    return sum(abs(x[0] - y[0]) + abs(x[1] - y[1]) + abs(x[2] - y[2]) for x, y in zip(a[::3], b[::3])) / (len(a[::3]) * 3)


def grab(path):
    with open(path, "wb") as out:
        return subprocess.run(["xwd", "-root", "-silent"], stdout=out, timeout=20).returncode == 0


def start_demo(demo, build, work, delay_ms):
    env = dict(os.environ, SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=os.path.join(work, "music.raw"),
               SDL_DISKAUDIODELAY=str(delay_ms), SDL_VIDEODRIVER="x11")
    log = open(os.path.join(work, "out"), "wb")
    return subprocess.Popen([demo], cwd=build, env=env, stdout=log, stderr=subprocess.STDOUT)


def music_levels(path):
    """RMS of each tenth of the raw 16-bit music and its length in seconds."""
    data = open(path, "rb").read() if os.path.exists(path) else b""
    samples = len(data) // 2
    seconds = samples / CHANNELS / RATE
    levels = []
    for part in range(10):
        chunk = data[part * samples // 10 * 2:(part + 1) * samples // 10 * 2]
        chunk = chunk[:len(chunk) // 2 * 2]
        values = struct.unpack("<%dh" % (len(chunk) // 2), chunk)[::17] if chunk else ()
        levels.append((sum(v * v for v in values) / len(values)) ** 0.5 if values else 0.0)
    return seconds, levels


def wait_for_window(process):
    """The demo's clock starts when its window opens: the time of that, as
    near as polling the X server for the root window's children gets."""
    begin = time.monotonic()
    wait_window = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "wait-window")
    if subprocess.run([wait_window, str(process.pid)]).returncode == 0:
        return time.monotonic()
    return begin


def run_full(demo, build, work):
    # 1024 frames per buffer is 23 ms of sound: write one buffer about every 23 ms.
    process = start_demo(demo, build, work, 22)
    start = wait_for_window(process)
    grabbed = []
    for at, loop, name in SHOTS:
        time.sleep(max(0.0, start + at - time.monotonic()))
        path = os.path.join(work, name + ".xwd")
        if not check(process.poll() is None, "the demo ended before the %s shot at %.0f s" % (name, at)):
            break
        if name == "burst":
            # The fade-out lasts 101 drawn frames, a fraction of a second on a
            # fast machine: grab all through its start, pick the best later.
            n = 0
            while time.monotonic() < start + 23.8:
                burst = os.path.join(work, "burst%d.xwd" % n)
                if grab(burst):
                    grabbed.append((loop, "burst%d" % n, burst))
                n += 1
            continue
        if check(grab(path), "xwd could not grab the %s shot" % name):
            grabbed.append((loop, name, path))
    try:
        status = process.wait(timeout=max(30.0, start + 200 - time.monotonic()))
    except subprocess.TimeoutExpired:
        process.kill()
        status = None
    run_time = time.monotonic() - start
    print("run time %.1f s, exit status %s" % (run_time, status))
    check(status == 0, "exit status %s" % status)
    check(140 <= run_time <= 190, "the show lasted %.1f s, not about 150" % run_time)

    # The dumps are read once the show is over, so as not to slow it down.
    frames, fading = {}, []
    for loop, name, path in grabbed:
        if name.startswith("burst"):
            fading.append(path)
            continue
        frames[name] = read_xwd(path)[2]
        mean, sd, distinct, lit = frame_stats(frames[name])
        print("%-13s %-16s mean %5.1f sd %5.1f colours %5d lit %.2f" % (name, loop, mean, sd, distinct, lit))
        check(lit > 0.05, "%s (%s) is nearly empty: %.1f%% lit" % (name, loop, lit * 100))
        check(sd > 6 and distinct > 60, "%s (%s) is uniform: sd %.1f, %d colours" % (name, loop, sd, distinct))

    # The fade-out starts from the background alone (no sprites) and darkens:
    # some grab of the burst shows it, close to the fade-in's picture.
    if "fade" in frames:
        best = (999.0, 0.0)
        for path in fading:
            f = read_xwd(path)[2]
            best = min(best, (difference(f, frames["fade"]), frame_stats(f)[3]))
            if best[0] < 12 and best[1] > 0.05:
                break
        print("fade-out: %d grabs, nearest to the background %.1f (lit %.2f)" % (len(fading), best[0], best[1]))
        check(best[0] < 12 and best[1] > 0.05, "no grab shows the fade-out's background (nearest %.1f)" % best[0])

    for a, b in MOVING:
        if a in frames and b in frames:
            d = difference(frames[a], frames[b])
            print("%s -> %s: mean difference %.1f" % (a, b, d))
            check(d > 1.0, "nothing moved between %s and %s (difference %.2f)" % (a, b, d))

    # The tunnel shows its rings of cyan light and its amber runway; Boule its
    # wine-red tiles and the blue ball.
    cyan = lambda r, g, b: g > 170 and b > 170 and r < 180
    amber = lambda r, g, b: r > 170 and 60 < g < 200 and b < 100
    wine = lambda r, g, b: r > 80 and g < 50 and b < 60 and r > 2 * g
    blue = lambda r, g, b: b > 110 and b > r + 50
    for name in ("tunnel-a", "flyer-a"):
        if name in frames:
            check(share(frames[name], cyan) > 0.003, "%s does not show the tunnel's rings of light" % name)
            check(share(frames[name], amber) > 0.001, "%s does not show the tunnel's runway" % name)
    if "boule-a" in frames:
        check(share(frames["boule-a"], wine) > 0.01, "boule-a does not show the floor tiles")
        check(share(frames["boule-a"], blue) > 0.01, "boule-a does not show the ball")

    seconds, levels = music_levels(os.path.join(work, "music.raw"))
    print("music: %.1f s, RMS by tenths %s" % (seconds, " ".join("%.0f" % v for v in levels)))
    check(seconds > 0.7 * run_time, "the music lasted %.1f s of a %.1f s run" % (seconds, run_time))
    check(sum(1 for v in levels if v > 200) >= 8, "the music is silent in parts: %s" % levels)


def run_escape(demo, build, work):
    process = start_demo(demo, build, work, 5)
    time.sleep(3.0)
    check(process.poll() is None, "the demo ended before Escape")
    pressed = time.monotonic()
    subprocess.run(["xdotool", "key", "Escape"], timeout=10)
    # A key press can be lost while the window is still mapping: press again until it ends.
    while process.poll() is None and time.monotonic() - pressed < 30:
        time.sleep(0.5)
        if process.poll() is None:
            subprocess.run(["xdotool", "key", "Escape"], timeout=10)
    if process.poll() is None:
        process.kill()
    status = process.wait()
    took = time.monotonic() - pressed
    print("exit %s, %.1f s after Escape" % (status, took))
    check(status == 0, "exit status %s after Escape" % status)
    check(took < 30, "the demo took %.1f s to end after Escape" % took)


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("full", "escape"):
        print(__doc__)
        return 2
    mode, demo, build = sys.argv[1:]
    with tempfile.TemporaryDirectory() as work:
        (run_full if mode == "full" else run_escape)(demo, build, work)
        if failures:
            print(open(os.path.join(work, "out"), errors="replace").read()[-2000:])
    print("FAILED" if failures else "ok: " + mode)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
