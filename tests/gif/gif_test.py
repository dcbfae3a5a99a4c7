#!/usr/bin/python3
# The renderer's animated GIF, decoded by Pillow rather than by us: every frame is pellwick-render's picture
# at its tick (through two clicks and a resize), with the GIF's grey outside the field; each frame after the
# first covers just the rectangle that changed; the frame count, the delays and the loop are as documented.
# Both the GIF and the PNG name the seed and the command line that make them again.
# Usage: gif_test.py PELLWICK_RENDER
import subprocess
import sys
import tempfile

try:
    from PIL import Image, ImageChops
except ImportError:
    print("Pillow (python3-pil) is not installed; skipping")
    sys.exit(77)

RENDER = sys.argv[1]
SIZE, TICKS, EVERY = (320, 240), 400, 37
CLICKS = [0, 250]
RESIZES = [(150, (260, 300))]  # narrower and taller: the GIF is 320x300, with grey where the field is not
OUTSIDE = (64, 64, 64)
failures = []


def check(ok, what):
    print(("ok: " if ok else "FAIL: ") + what)
    if not ok:
        failures.append(what)


def scenario(ticks):
    """The renderer's arguments for the game up to a tick: its events up to then."""
    args = ["--size", "%dx%d" % SIZE, "--ticks", str(ticks)]
    for at in CLICKS:
        if at <= ticks:
            args += ["--click", str(at)]
    for at, (w, h) in RESIZES:
        if at <= ticks:
            args += ["--resize", "%d:%dx%d" % (at, w, h)]
    return args


def field_at(tick, work):
    path = "%s/tick-%d.png" % (work, tick)
    subprocess.run([RENDER] + scenario(tick) + ["--png", path], check=True, capture_output=True)
    return Image.open(path).convert("RGB")


def frame_matches(frame, field):
    w, h = field.size
    same = ImageChops.difference(frame.crop((0, 0, w, h)), field).getbbox() is None
    outside = Image.new("RGB", frame.size, OUTSIDE)
    outside.paste(field, (0, 0))
    return same and ImageChops.difference(frame, outside).getbbox() is None


def delay_ms(ticks):
    return max(2, (ticks + 5) // 10) * 10


with tempfile.TemporaryDirectory() as work:
    gif = work + "/game.gif"
    subprocess.run([RENDER] + scenario(TICKS) + ["--frame-every", str(EVERY), "--gif", gif], check=True, capture_output=True)
    ticks = list(range(0, TICKS + 1, EVERY)) + ([TICKS] if TICKS % EVERY else [])
    im = Image.open(gif)
    check(im.size == (320, 300), "the GIF has the largest field's width and height (%dx%d)" % im.size)
    check(im.n_frames == len(ticks), "a frame every %d ticks from 0 to %d, and the last: %d frames" % (EVERY, TICKS, im.n_frames))
    check(im.info.get("loop") == 0, "it loops for ever")
    before = None
    for k, tick in enumerate(ticks):
        im.seek(k)
        rect = im.tile[0][1] if im.tile else None
        duration = im.info.get("duration")
        frame = im.convert("RGB")
        check(frame_matches(frame, field_at(tick, work)), "frame %d is the renderer's picture at tick %d" % (k, tick))
        want = 1000 if k == len(ticks) - 1 else delay_ms(ticks[k + 1] - tick)
        check(duration == want, "frame %d shows for %s ms (%d)" % (k, duration, want))
        if before is not None:
            changed = ImageChops.difference(before, frame).getbbox() or (0, 0, 1, 1)
            check(rect == changed, "frame %d covers %s, the rectangle that changed (%s)" % (k, rect, changed))
        before = frame

with tempfile.TemporaryDirectory() as work:
    args = ["--size", "90x70", "--ticks", "60", "--seed", "18446744073709551557", "--click", "0"]
    line = "pellwick-render " + " ".join(args)
    subprocess.run([RENDER] + args + ["--gif", work + "/s.gif", "--png", work + "/s.png"], check=True, capture_output=True)
    comment = Image.open(work + "/s.gif").info.get("comment", b"").decode("latin-1")
    check(comment.endswith("seed 18446744073709551557: " + line + " --gif " + work + "/s.gif --png " + work + "/s.png"),
          "the GIF's comment names the seed and the command line: " + comment)
    text = Image.open(work + "/s.png").text
    check(text.get("Seed") == "18446744073709551557" and text.get("Command", "").startswith(line),
          "the PNG's text names the seed and the command line: %s" % text)

print("GIF: %d checks did not hold" % len(failures))
sys.exit(1 if failures else 0)
