#!/usr/bin/env python3
"""Paints the travel pictures of the "places" hint with ImageMagick.

Every picture is a landscape of our own making, drawn from simple shapes:
a sky gradient, a sun or moon with a soft glow, stars and aurora at night,
ridges of hills and mountains made by midpoint displacement and lightened
with distance, snow on high peaks, water with a mirrored shore, and rows of
trees. Each country has its own palette and features; the number in the
file name picks the seed and the time of day, so a run always gives the
same shapes.

Usage: make_delight_images.py OUTPUT_DIR   (needs ImageMagick's convert)
"""

import math
import os
import random
import subprocess
import sys

WIDTH, HEIGHT = 280, 160
# Drawn at twice the size the pop-up shows, for sharp high-DPI screens.
SCALE = 2
SIZE = "%dx%d" % (WIDTH * SCALE, HEIGHT * SCALE)
AFFINE = "affine %d,0,0,%d,0,0\n" % (SCALE, SCALE)
QUALITY = 84

# Sky (top, horizon), sun colour, and ridge colours from far to near, for
# each time of day.
SKIES = {
    "day": ("#5d9be0", "#cfe6f7", "#fff6d8"),
    "morning": ("#7aa7e0", "#f7d9b6", "#fff1c2"),
    "sunset": ("#3b3f8f", "#f59e5b", "#ffd27a"),
    "dusk": ("#1d2452", "#b5577a", "#ffc48a"),
    "night": ("#050a1f", "#1f3a5c", "#f4f1de"),
}

# name: (times of day by picture number, ridge palette far to near,
#        features)
COUNTRIES = {
    "argentina": (["day", "sunset"],
                  ["#9fb4cc", "#6f88a6", "#4d6a7f", "#4f6b3a"],
                  {"snow": 0.55, "peaks": 1.0, "lake": "#3f7fa8"}),
    "australia": (["day", "sunset", "day", "dusk", "morning"],
                  ["#d9a27a", "#c46a3c", "#a34a25", "#7d3a1f"],
                  {"peaks": 0.25, "mesa": True}),
    "canada": (["morning", "day", "sunset", "day", "night"],
               ["#9db3c9", "#6f8aa3", "#3f5f4a", "#233d2c"],
               {"snow": 0.6, "peaks": 0.9, "lake": "#2f6f8f", "trees": True}),
    "chile": (["day", "sunset", "morning", "dusk"],
              ["#b0bfd4", "#7f8fae", "#56637f", "#6b5a3f"],
              {"snow": 0.45, "peaks": 1.1}),
    "china": (["morning", "day", "dusk"],
              ["#c9d4cf", "#9fb3aa", "#6d8a7c", "#3f5e4f"],
              {"karst": True, "mist": True, "lake": "#6f9a8f"}),
    "croatia": (["day", "sunset", "day", "morning"],
                ["#a8bccf", "#7f9a8a", "#5f7f5a", "#e8d9b5"],
                {"peaks": 0.35, "sea": "#1f7fa8", "islands": True}),
    "germany": (["morning", "day", "sunset", "day"],
                ["#a9b9c9", "#7b9a7f", "#4f7a4a", "#2f5a33"],
                {"peaks": 0.3, "trees": True, "mist": True}),
    "iceland": (["night", "day", "dusk", "night"],
                ["#8fa3b5", "#5f7385", "#3f4f5f", "#2a3540"],
                {"snow": 0.35, "peaks": 0.7, "aurora": True,
                 "lake": "#2a4a66"}),
    "italy": (["morning", "day", "sunset", "day", "dusk"],
              ["#c2c9b0", "#a3ad7f", "#7f9a4f", "#5f7f3a"],
              {"peaks": 0.2, "cypress": True}),
    "newzeland": (["day", "morning", "sunset", "day", "dusk"],
                  ["#aebfd4", "#7f98b0", "#4f7a5a", "#3f6f3a"],
                  {"snow": 0.5, "peaks": 1.0, "lake": "#3a8fae"}),
    "norway": (["day", "night", "morning", "sunset", "day"],
               ["#9fb0c0", "#6f8090", "#48596a", "#2f4a3a"],
               {"snow": 0.5, "peaks": 1.2, "fjord": "#2f5f7f",
                "aurora": True}),
    "peru": (["morning", "day", "sunset", "day"],
             ["#b8c2cf", "#8f9ab0", "#6a7f5a", "#4f6f3a"],
             {"snow": 0.4, "peaks": 1.3, "terraces": True}),
    "spain": (["sunset", "day", "morning", "dusk", "day"],
              ["#d8b98f", "#c4955f", "#a8743f", "#8a5a2f"],
              {"peaks": 0.35, "sea": "#2f7fb0"}),
    "thailand": (["day", "sunset", "morning", "dusk"],
                 ["#a9c9b5", "#6fa385", "#3f7f5a", "#e9dcb0"],
                 {"karst": True, "sea": "#1fa3b0", "palms": True}),
    "usa": (["day", "sunset", "morning", "dusk", "night"],
            ["#d9a98a", "#c47f5a", "#a85f3f", "#7f4a2f"],
            {"peaks": 0.2, "mesa": True}),
}

# Picture numbers of the shipped set, per country.
PICTURES = {
    "argentina": [2, 5], "australia": [1, 2, 3, 4, 5],
    "canada": [1, 2, 3, 4, 5], "chile": [1, 3, 4, 5], "china": [1, 2, 3],
    "croatia": [1, 2, 3, 5], "germany": [1, 2, 3, 5],
    "iceland": [1, 2, 4, 5], "italy": [1, 2, 3, 4, 5],
    "newzeland": [1, 2, 3, 4, 5], "norway": [1, 2, 3, 4, 5],
    "peru": [1, 2, 4, 5], "spain": [1, 2, 3, 4, 5],
    "thailand": [1, 2, 3, 5], "usa": [1, 2, 3, 4, 5],
}


def mix(a, b, t):
    """Blends two #rrggbb colours; t=0 gives a."""
    ca = [int(a[i:i + 2], 16) for i in (1, 3, 5)]
    cb = [int(b[i:i + 2], 16) for i in (1, 3, 5)]
    return "#%02x%02x%02x" % tuple(
        round(x + (y - x) * t) for x, y in zip(ca, cb))


def ridge(rng, base, amplitude, roughness, steps=7):
    """Heights across the picture by midpoint displacement."""
    points = [base + rng.uniform(-1, 1) * amplitude,
              base + rng.uniform(-1, 1) * amplitude]
    spread = amplitude
    for _ in range(steps):
        new = []
        for a, b in zip(points, points[1:]):
            new += [a, (a + b) / 2 + rng.uniform(-1, 1) * spread]
        new.append(points[-1])
        points = new
        spread *= roughness
    n = len(points) - 1
    return [(WIDTH * i / n, y) for i, y in enumerate(points)]


def mesa_ridge(rng, base, height):
    """Flat-topped rocks with steep sides."""
    points = [(0, base)]
    x = rng.uniform(-20, 30)
    while x < WIDTH:
        width = rng.uniform(35, 90)
        top = base - rng.uniform(0.4, 1.0) * height
        points += [(x, base), (x + 6, top), (x + width - 6, top + rng.uniform(-3, 3)),
                   (x + width, base)]
        x += width + rng.uniform(10, 50)
    points.append((WIDTH, base))
    return points


def karst_ridge(rng, base, height):
    """Tall rounded limestone towers of varied height."""
    points = [(0, base)]
    x = rng.uniform(-15, 10)
    while x < WIDTH + 20:
        width = rng.uniform(16, 34)
        top = base - rng.uniform(0.35, 1.0) * height
        for k in range(11):
            t = k / 10
            bulge = (1 - abs(2 * t - 1) ** 3) ** 0.6
            points.append((x + width * t, base - (base - top) * bulge))
        x += width * rng.uniform(0.8, 1.6)
    points.append((WIDTH, base))
    return points


def polygon(points, fill, bottom=HEIGHT):
    coords = " ".join("%.1f,%.1f" % p for p in points)
    return ("fill '%s' polygon 0,%d %s %d,%d\n"
            % (fill, bottom, coords, WIDTH, bottom))


def snow_caps(rng, points, line, color):
    """Snow on every part of the ridge above a ragged snow line."""
    line_at = [line + rng.uniform(-3, 5) for _ in points]
    above = [y < r for (_, y), r in zip(points, line_at)]
    out = ""
    i = 0
    while i < len(points):
        if not above[i]:
            i += 1
            continue
        # One snow field: the run above the line and one point either side.
        start = max(i - 1, 0)
        while i < len(points) and above[i]:
            i += 1
        end = min(i, len(points) - 1)
        run = range(start, end + 1)
        outline = [(points[k][0], min(points[k][1], line_at[k])) for k in run]
        outline += [(points[k][0], line_at[k]) for k in reversed(run)]
        coords = " ".join("%.1f,%.1f" % p for p in outline)
        out += "fill '%s' polygon %s\n" % (color, coords)
    return out


def height_at(points, x):
    for (x1, y1), (x2, y2) in zip(points, points[1:]):
        if x1 <= x <= x2:
            return y1 + (y2 - y1) * (x - x1) / max(x2 - x1, 1e-6)
    return points[-1][1]


def trees(rng, points, color, size, spacing):
    out = []
    x = rng.uniform(0, spacing)
    while x < WIDTH:
        y = height_at(points, x) + rng.uniform(1, 5)
        h = size * rng.uniform(0.7, 1.3)
        w = h * 0.42
        out.append("fill '%s' polygon %.1f,%.1f %.1f,%.1f %.1f,%.1f\n"
                   % (color, x - w / 2, y, x, y - h, x + w / 2, y))
        x += spacing * rng.uniform(0.5, 1.2)
    return "".join(out)


def cypresses(rng, points, color):
    out = []
    for _ in range(rng.randint(4, 7)):
        x = rng.uniform(10, WIDTH - 10)
        y = height_at(points, x) + 2
        h = rng.uniform(18, 30)
        out.append("fill '%s' ellipse %.1f,%.1f %.1f,%.1f 0,360\n"
                   % (color, x, y - h / 2, h * 0.13, h / 2))
    return "".join(out)


def palms(rng, color):
    out = []
    for base_x in (rng.uniform(12, 50), rng.uniform(220, 268)):
        top_x, top_y = base_x + rng.uniform(-14, 14), rng.uniform(70, 90)
        out.append("stroke '%s' stroke-width 3 fill none "
                   "path 'M %.1f,%d Q %.1f,%.1f %.1f,%.1f'\n"
                   % (color, base_x, HEIGHT, base_x, top_y + 30, top_x, top_y))
        for angle in range(0, 360, 60):
            dx = 22 * math.cos(angle * 3.14159 / 180)
            dy = 9 * math.sin(angle * 3.14159 / 180) + 6
            out.append("stroke '%s' stroke-width 2.5 fill none "
                       "path 'M %.1f,%.1f Q %.1f,%.1f %.1f,%.1f'\n"
                       % (color, top_x, top_y, top_x + dx / 2, top_y - 8,
                          top_x + dx, top_y + dy))
        out.append("stroke none\n")
    return "".join(out)


def paint(country, number, out_path):
    times, ridges, features = COUNTRIES[country]
    time_of_day = times[(number - 1) % len(times)]
    rng = random.Random("%s-%d" % (country, number))
    sky_top, sky_bottom, sun = SKIES[time_of_day]
    night = time_of_day == "night"
    # Distant layers take on the horizon's colour.
    haze = 0.55 if time_of_day in ("day", "morning") else 0.45
    horizon = rng.uniform(88, 104)
    water = features.get("sea") or features.get("lake") or features.get("fjord")
    water_top = horizon + rng.uniform(18, 28) if water else HEIGHT

    args = ["convert", "-respect-parentheses", "-size", SIZE,
            "gradient:%s-%s" % (sky_top, sky_bottom)]

    # The sun or moon with a soft glow, stars at night.
    sun_x = rng.uniform(50, WIDTH - 50)
    sun_y = horizon - (rng.uniform(8, 22) if time_of_day in ("sunset", "dusk")
                       else rng.uniform(35, 60))
    sun_r = 9 if night else 13
    layers = []
    layers.append(["(", "-size", SIZE, "xc:none",
                   "-fill", mix(sun, sky_bottom, 0.25), "-draw",
                   AFFINE + "circle %.1f,%.1f %.1f,%.1f" % (sun_x, sun_y,
                                                   sun_x + sun_r * 3.2, sun_y),
                   "-blur", "0x%d" % (16 * SCALE), ")", "-composite"])
    body = "fill '%s' circle %.1f,%.1f %.1f,%.1f\n" % (sun, sun_x, sun_y,
                                                      sun_x + sun_r, sun_y)
    if night:
        star_mvg = ""
        for _ in range(80):
            x, y = rng.uniform(0, WIDTH), rng.uniform(0, horizon - 25)
            r = rng.choice((0.5, 0.6, 0.8, 1.0))
            star_mvg += "fill '%s' circle %.1f,%.1f %.1f,%.1f\n" % (
                mix("#ffffff", sky_top, rng.uniform(0, 0.5)), x, y, x + r, y)
        body = star_mvg + body
    if features.get("aurora") and night:
        aurora = []
        for band in range(3):
            base = rng.uniform(25, 55)
            pts = [(x, base + 12 * math.sin(x / rng.uniform(25, 45) + band))
                   for x in range(-10, WIDTH + 20, 10)]
            path = " ".join("%.1f,%.1f" % p for p in pts)
            color = rng.choice(("#5dffb0", "#43e0a0", "#8affd0", "#b47cff"))
            aurora += ["(", "-size", SIZE, "xc:none",
                       "-stroke", color, "-strokewidth", str(rng.randint(6, 12)),
                       "-fill", "none", "-draw", AFFINE + "polyline %s" % path,
                       "-blur", "0x%d" % (7 * SCALE), "-channel", "A", "-evaluate",
                       "multiply", "0.8", "+channel", ")", "-composite"]
        layers.append(aurora)

    # Land, far to near.
    land = ""
    peaks = features.get("peaks", 0.6)
    near_points = None
    count = len(ridges)
    for i, color in enumerate(ridges):
        depth = i / max(count - 1, 1)
        tint = mix(color, sky_bottom, haze * (1 - depth) ** 1.5)
        if night:
            tint = mix(tint, "#0a1020", 0.55)
        elif time_of_day == "dusk":
            tint = mix(tint, "#2a2040", 0.35)
        base = horizon + depth * (water_top - horizon if water else 45)
        height = (55 - 30 * depth) * (0.5 + peaks / 2)
        if features.get("sea") and i == count - 1:
            # The nearest layer is a beach or shore in front of the sea.
            break
        if features.get("karst") and i < count - 1:
            points = karst_ridge(rng, base, height * 1.3)
        elif features.get("mesa") and i >= 1:
            points = mesa_ridge(rng, base + 8 * depth, height * 0.9)
        else:
            points = ridge(rng, base - height * 0.45,
                           height * (0.75 if peaks > 0.8 else 0.55),
                           0.6 if peaks > 0.8 else 0.5)
        land += polygon(points, tint, bottom=HEIGHT if not water else
                        max(water_top + 2, base + 4))
        if features.get("snow") and i < count - 1 and not features.get("karst"):
            line = min(y for _, y in points) + 14 * (1 - depth) + 4
            land += snow_caps(rng, points, line,
                              mix("#ffffff", tint, 0.35 if not night else 0.6))
        if features.get("terraces") and i == count - 2:
            for k in range(1, 6):
                path = " ".join("%.1f,%.1f" % (x, y + k * 4) for x, y in points)
                land += ("stroke '%s' stroke-width 0.8 fill none "
                         "polyline %s\nstroke none\n"
                         % (mix(tint, "#ffffff", 0.16), path))
        near_points = points
        if features.get("trees") and i >= count - 2:
            land += trees(rng, points, mix(tint, "#0b1f12", 0.35),
                          7 + 5 * depth, 6 + 4 * depth)
        if features.get("cypress") and i == count - 2:
            land += cypresses(rng, points, mix(tint, "#1f3a1a", 0.55))

    # Water with a mirrored, darker copy of the land above it.
    water_mvg = ""
    if water:
        water_color = water if not night else mix(water, "#050a1f", 0.6)
        water_mvg += "fill '%s' rectangle 0,%.1f %d,%d\n" % (
            water_color, water_top, WIDTH, HEIGHT)
        for _ in range(28):
            y = rng.uniform(water_top + 3, HEIGHT)
            x = rng.uniform(-20, WIDTH)
            length = rng.uniform(15, 60)
            water_mvg += ("stroke '%s' stroke-width 1 line %.1f,%.1f %.1f,%.1f\n"
                          % (mix(water_color, sky_bottom, 0.45), x, y,
                             x + length, y))
        water_mvg += "stroke none\n"
        # Glitter of the sun or moon on the water below it.
        glitter = mix(water_color, sun, 0.6)
        y = water_top + 2
        while y < HEIGHT:
            spread = 4 + (y - water_top) * 0.25
            x = sun_x + rng.uniform(-spread, spread)
            water_mvg += ("stroke '%s' stroke-width 1.2 line %.1f,%.1f %.1f,%.1f\n"
                          % (glitter, x - 4, y, x + 4, y))
            y += rng.uniform(2.5, 5)
        water_mvg += "stroke none\n"
        if features.get("sea"):
            beach = ridge(rng, HEIGHT - 14, 6, 0.5)
            water_mvg += polygon(beach, mix(ridges[-1], sky_bottom, 0.15))
            if features.get("islands"):
                for _ in range(3):
                    cx = rng.uniform(20, WIDTH - 20)
                    w = rng.uniform(18, 40)
                    water_mvg += "fill '%s' ellipse %.1f,%.1f %.1f,%.1f 180,360\n" % (
                        mix(ridges[1], sky_bottom, 0.3), cx, water_top + 6, w,
                        rng.uniform(4, 9))
            if features.get("palms"):
                water_mvg += palms(rng, mix("#1f3a22", sky_top, 0.15))
    mist = []
    if features.get("mist"):
        for _ in range(3):
            y = rng.uniform(horizon - 10, horizon + 35)
            mist += ["(", "-size", SIZE, "xc:none",
                     "-fill", "#ffffff", "-draw",
                     AFFINE + "ellipse %.1f,%.1f %.1f,%.1f 0,360"
                     % (rng.uniform(0, WIDTH), y, rng.uniform(80, 160), 6),
                     "-blur", "0x%d" % (9 * SCALE), "-channel", "A", "-evaluate", "multiply",
                     "0.55", "+channel", ")", "-composite"]

    command = (args + layers[0] + ["-draw", AFFINE + body]
               + sum(layers[1:], [])
               + ["-draw", AFFINE + land + water_mvg]
               + mist
               + ["-seed", str(rng.randint(1, 10 ** 6)),
                  "-attenuate", "0.12", "+noise", "Gaussian",
                  "-strip", "-interlace", "none",
                  "-sampling-factor", "2x2", "-quality", str(QUALITY),
                  out_path])
    subprocess.run(command, check=True)


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    for country, numbers in PICTURES.items():
        for number in numbers:
            paint(country, number,
                  os.path.join(out_dir, "%s_%d.jpg" % (country, number)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
