#!/usr/bin/python3
"""Numbers from a screenshot, for the desktop tests (ImageMagick reads it):

  shot_measure.py light SHOT X Y W H      "x y" of the middle of the status
                                          icon's light (its green pixels) in the
                                          box; exits 1 when there is none
  shot_measure.py contrast SHOT X Y W H   how many pixels of the box stand out
                                          from the panel (the colour at the
                                          box's left edge, row by row) by a
                                          contrast ratio of 3:1 or more, the
                                          least that graphics must have to be
                                          seen (WCAG), and the highest ratio
  shot_measure.py height SHOT X Y         how many light pixels run down from
                                          (X, Y): the height of a light menu
                                          that starts there
"""
import subprocess
import sys


def pixels(shot, x, y, width, height):
    """Rows of (r, g, b) of the box, cut to the screen."""
    data = subprocess.run(["convert", shot, "-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage",
                           "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    # "P6 <width> <height> 255" and one white-space character, then the pixels.
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    width, height = int(fields[1]), int(fields[2])
    raw = data[at + 1:]
    return [[tuple(raw[(row * width + i) * 3:(row * width + i) * 3 + 3]) for i in range(width)] for row in range(height)]


def luminance(rgb):
    def linear(channel):
        channel /= 255.0
        return channel / 12.92 if channel <= 0.03928 else ((channel + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def ratio(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def light(shot, box):
    found = [(x, y) for y, row in enumerate(pixels(shot, *box)) for x, (r, g, b) in enumerate(row)
             if g > 120 and g > r + 60 and g > b + 20]
    if not found:
        return 1
    print("%d %d" % (box[0] + sum(x for x, _ in found) // len(found), box[1] + sum(y for _, y in found) // len(found)))
    return 0


def contrast(shot, box):
    # The panel's colour, row by row (panels shade from top to bottom): the
    # box's left edge.
    rows = pixels(shot, *box)
    ratios = [ratio(rgb, row[0]) for row in rows for rgb in row]
    print("%d %.1f" % (sum(1 for each in ratios if each >= 3.0), max(ratios)))
    return 0


def height(shot, x, y):
    column = [row[0] for row in pixels(shot, x, y, 1, 10000)]
    run = 0
    for rgb in column:
        if luminance(rgb) < 0.5:
            break
        run += 1
    print(run)
    return 0


def main(argv):
    command, shot = argv[1], argv[2]
    numbers = [int(each) for each in argv[3:]]
    if command == "light":
        return light(shot, numbers)
    if command == "contrast":
        return contrast(shot, numbers)
    if command == "height":
        return height(shot, *numbers)
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
